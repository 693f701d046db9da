// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/demomode.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include "app/settings.h"
#include "platform/api/services.h"
#include "support/stringextras.h"

namespace tavrel {

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

} // namespace

platform::AlertAnswer DefaultAnsweringAlerts::runModal(const platform::AlertRequest &request)
{
    // A closed error stream stays closed: nothing is kept for it.
    if (err().status() == QTextStream::Ok)
        err() << escapedLineText(
            QStringLiteral("[alert] %1: %2 -> %3").arg(request.title, request.message, request.defaultButton))
              << Qt::endl;
    return {1};
}

std::optional<QStringList> CancellingPanels::chooseFiles(platform::PanelParent, const QStringList &)
{
    err() << "[panel] open panel cancelled" << Qt::endl;
    return std::nullopt;
}

std::optional<QString> CancellingPanels::chooseSaveFile(platform::PanelParent, const QString &,
                                                        const QString &proposedName, const QString &)
{
    err() << "[panel] save panel for " << escapedLineText(proposedName) << " cancelled" << Qt::endl;
    return std::nullopt;
}

std::optional<QString> CancellingPanels::chooseFolder(platform::PanelParent)
{
    err() << "[panel] folder panel cancelled" << Qt::endl;
    return std::nullopt;
}

bool presetDestinationFolder(const QString &destinationFolder)
{
    using namespace settings;
    const QString folder = QDir::cleanPath(QFileInfo(destinationFolder).absoluteFilePath());
    platform::Bookmarks *bookmarks = platform::services().bookmarks;
    const std::optional<QByteArray> data = bookmarks ? bookmarks->create(folder) : std::nullopt;
    if (!data) {
        err() << "Cannot use " << escapedLineText(folder) << " as the destination folder." << Qt::endl;
        return false;
    }
    setDefaultObject(kDestinationBookmarksKey, QVariantList{*data});
    setDefaultObject(kDestinationNamesKey, QVariantList{QFileInfo(folder).fileName()});
    setDefaultInt(kDefaultDestinationKey, 2);
    return true;
}

bool presetDemoSettings(const QString &destinationFolder)
{
    using namespace settings;
    if (!presetDestinationFolder(destinationFolder))
        return false;
    setDefaultInt(kAutoAddKey, 1);
    setDefaultInt(kQuitAfterConversionKey, 1);
    // English, whatever the session's languages: the sample's English track is the DTS one
    // that shows the re-encoding to AC3.
    setDefaultInt(kDefaultAudioKey, 2);
    synchronize();
    return true;
}

} // namespace tavrel
