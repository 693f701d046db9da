// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/watchstate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace tavrel {

namespace {
constexpr int kWatchStateVersion = 1;
} // namespace

QString watchStateFile(const QString &xdgStateHome, const QString &home)
{
    // A relative XDG folder is to be ignored, as the base directory rules say.
    const QString base = QDir::isAbsolutePath(xdgStateHome) ? xdgStateHome : home + QStringLiteral("/.local/state");
    return QDir::cleanPath(base + QStringLiteral("/Tavrel/watched.json"));
}

QByteArray encodeWatchState(const WatchState &state)
{
    // Sorted, so that the file reads the same however the table was filled.
    QStringList paths = state.keys();
    std::sort(paths.begin(), paths.end());
    QJsonArray sources;
    for (const QString &path : std::as_const(paths)) {
        const WatchRecord &record = state.value(path);
        sources.append(QJsonObject{
            {QStringLiteral("path"), path},
            {QStringLiteral("size"), record.stamp.size},
            {QStringLiteral("modified"), record.stamp.modified},
            {QStringLiteral("result"), record.converted ? QStringLiteral("converted") : QStringLiteral("failed")},
        });
    }
    const QJsonObject root{{QStringLiteral("version"), kWatchStateVersion}, {QStringLiteral("sources"), sources}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<WatchState> decodeWatchState(const QByteArray &text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("version")).toInt() != kWatchStateVersion
        || !root.value(QStringLiteral("sources")).isArray())
        return std::nullopt;
    WatchState state;
    for (const QJsonValue &value : root.value(QStringLiteral("sources")).toArray()) {
        const QJsonObject source = value.toObject();
        const QString path = source.value(QStringLiteral("path")).toString();
        const QJsonValue size = source.value(QStringLiteral("size"));
        const QJsonValue modified = source.value(QStringLiteral("modified"));
        const QString result = source.value(QStringLiteral("result")).toString();
        if (!QDir::isAbsolutePath(path) || !size.isDouble() || size.toDouble() < 0 || !modified.isDouble()
            || (result != QLatin1String("converted") && result != QLatin1String("failed")))
            continue;
        state.insert(path,
                     {{qint64(size.toDouble()), qint64(modified.toDouble())}, result == QLatin1String("converted")});
    }
    return state;
}

bool isHandledAlready(const WatchState &state, const QString &path, const FileStamp &stamp)
{
    const auto record = state.constFind(path);
    return record != state.constEnd() && record->stamp == stamp;
}

WatchState loadWatchState(const QString &file, QString *error)
{
    QFile input(file);
    if (!input.exists())
        return {};
    if (!input.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read %1: %2").arg(file, input.errorString());
        return {};
    }
    const std::optional<WatchState> state = decodeWatchState(input.readAll());
    input.close();
    if (!state) {
        // Kept for a look, rather than overwritten by the next record.
        const QString aside = file + QStringLiteral(".broken");
        QFile::remove(aside);
        QFile::rename(file, aside);
        if (error)
            *error = QStringLiteral("%1 is not a state file (kept as %2); starting afresh").arg(file, aside);
    }
    return state.value_or(WatchState());
}

bool saveWatchState(const QString &file, const WatchState &state, QString *error)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile output(file);
    if (!output.open(QIODevice::WriteOnly) || output.write(encodeWatchState(state)) < 0 || !output.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(file, output.errorString());
        return false;
    }
    return true;
}

} // namespace tavrel
