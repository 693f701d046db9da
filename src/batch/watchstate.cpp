// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/watchstate.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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
    std::optional<WatchState> state;
    QString why;
    if (input.open(QIODevice::ReadOnly)) {
        state = decodeWatchState(input.readAll());
        why = QStringLiteral("is not a state file");
        input.close();
    } else {
        why = QStringLiteral("cannot be read (%1)").arg(input.errorString());
    }
    if (state)
        return *state;
    // Kept for a look, rather than overwritten by the next record.
    const QString aside = keepAside(file);
    if (error)
        *error = aside.isEmpty() ? QStringLiteral("%1 %2; starting afresh").arg(file, why)
                                 : QStringLiteral("%1 %2 (kept as %3); starting afresh").arg(file, why, aside);
    return {};
}

WatchState watchRecordsBelow(const WatchState &state, const QString &folder)
{
    const QString prefix = QDir::cleanPath(folder) + u'/';
    WatchState below;
    for (auto record = state.cbegin(); record != state.cend(); ++record)
        if (record.key().startsWith(prefix))
            below.insert(record.key(), record.value());
    return below;
}

bool saveWatchState(const QString &file, const QString &folder, const WatchState &records, QString *error)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    // Read and written under one lock, so that a watch of another folder loses no record between.
    const FileLock shared = FileLock::waitForLock(file + QStringLiteral(".lock"));
    if (!shared.isLocked()) {
        if (error)
            *error = QStringLiteral("cannot write %1: its lock cannot be made").arg(file);
        return false;
    }
    WatchState state;
    QFile current(file);
    if (current.open(QIODevice::ReadOnly))
        state = decodeWatchState(current.readAll()).value_or(WatchState());
    const WatchState mine = watchRecordsBelow(state, folder);
    for (auto record = mine.cbegin(); record != mine.cend(); ++record)
        state.remove(record.key());
    state.insert(records);
    return writePrivateFile(file, encodeWatchState(state), error);
}

FileLock lockWatchedFolder(const QString &stateFile, const QString &folder, QString *error)
{
    // One lock file per folder, named after it, beside the state.
    const QByteArray key =
        QCryptographicHash::hash(QFile::encodeName(QDir::cleanPath(folder)), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    const QString stateFolder = QFileInfo(stateFile).absolutePath();
    if (!QDir().mkpath(stateFolder)) {
        if (error)
            *error = QStringLiteral("cannot make %1").arg(stateFolder);
        return {};
    }
    const QString path =
        stateFolder + QStringLiteral("/watching-") + QString::fromLatin1(key) + QStringLiteral(".lock");
    FileLock lock = FileLock::tryLock(path);
    if (!lock.isLocked() && error)
        *error = QFileInfo::exists(path) ? QString() : QStringLiteral("cannot make %1").arg(path);
    return lock;
}

} // namespace tavrel
