// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/destinationfolders.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "app/settings.h"
#include "conversion/outputfile.h"
#include "platform/api/services.h"
#include "support/collections.h"
#include "support/format.h"
#include "support/log.h"

namespace tavrel {

namespace {

// A hand-written settings file (and QSettings itself) holds a list of one as a plain value.
QVariantList storedList(const QString &key)
{
    if (const std::optional<QVariantList> list = settings::defaultArray(key))
        return *list;
    const QVariant value = settings::defaultObject(key);
    if (!value.isValid() || value.toString().isEmpty())
        return {};
    return {value};
}

QList<QByteArray> storedBookmarks()
{
    QList<QByteArray> result;
    for (const QVariant &value : storedList(settings::kDestinationBookmarksKey))
        result.append(value.metaType().id() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8());
    return result;
}

QStringList storedNames()
{
    QStringList result;
    for (const QVariant &value : storedList(settings::kDestinationNamesKey))
        result.append(value.toString());
    return result;
}

void storeFolders(const QList<QByteArray> &bookmarks, const QStringList &names)
{
    QVariantList bookmarkValues;
    for (const QByteArray &data : bookmarks)
        bookmarkValues.append(data);
    QVariantList nameValues;
    for (const QString &name : names)
        nameValues.append(name);
    settings::setDefaultObject(settings::kDestinationBookmarksKey, bookmarkValues);
    settings::setDefaultObject(settings::kDestinationNamesKey, nameValues);
}

// The two lists are kept the same length; should a store hold lists of different lengths, only
// the folders with both a reference and a name are offered.
qsizetype destinationFolderCount()
{
    return qMin(storedBookmarks().size(), storedNames().size());
}

} // namespace

DestinationPopUp::DestinationPopUp(int chooseFolderTag, QObject *parent)
    : QObject(parent), m_chooseFolderTag(chooseFolderTag), m_items(fixedDestinationItems(chooseFolderTag))
{
}

void DestinationPopUp::set(const PopUpItems &items, int index)
{
    if (items != m_items) {
        m_items = items;
        Q_EMIT itemsChanged();
    }
    if (index != m_index) {
        m_index = index;
        Q_EMIT indexChanged();
    }
}

DestinationFolders::DestinationFolders(QObject *parent)
    : QObject(parent), m_main(kMainWindowChooseFolderTag), m_preferences(kPreferencesChooseFolderTag)
{
}

void DestinationFolders::chooseNewDestination(int tag)
{
    platform::Panels *panels = platform::services().panels;
    platform::Bookmarks *bookmarks = platform::services().bookmarks;
    if (!panels || !bookmarks)
        return;
    const bool fromMainWindow = tag == kMainWindowChooseFolderTag;
    const std::optional<QString> folder = panels->chooseFolder(
        fromMainWindow ? platform::PanelParent::MainWindow : platform::PanelParent::PreferencesWindow);
    if (!folder || folder->isEmpty())
        return;

    const std::optional<QByteArray> data = bookmarks->create(*folder);
    if (!data || data->isEmpty()) {
        asl_NSLog(3, QStringLiteral("Error creating bookmark: %@"),
                  makeString(QStringLiteral("no folder reference could be made for %@"), *folder));
        return;
    }

    QList<QByteArray> stored = storedBookmarks();
    QStringList names = storedNames();
    stored.append(*data);
    names.append(QFileInfo(QDir::cleanPath(*folder)).fileName());
    storeFolders(stored, names);
    settings::synchronize();

    rebuildPreferencesDestinationPopUp();
    if (tag == kPreferencesChooseFolderTag) {
        const int index = int(m_preferences.items().size()) - 3;
        m_preferences.set(m_preferences.items(), index);
        settings::setDefaultInt(settings::kDefaultDestinationKey, index);
    } else if (fromMainWindow) {
        rebuildDestinationPopUp();
        m_main.set(m_main.items(), int(m_main.items().size()) - 3);
    }
}

PopUpItems DestinationFolders::withFolderPaths(PopUpItems items) const
{
    platform::Bookmarks *bookmarks = platform::services().bookmarks;
    const QList<QByteArray> stored = storedBookmarks();
    for (qsizetype folder = 0; bookmarks && folder < destinationFolderCount(); ++folder) {
        const qsizetype index = folder + 2;
        if (index >= items.size())
            break;
        items[index].detail = bookmarks->resolve(stored.at(folder)).value_or(QString());
    }
    return items;
}

void DestinationFolders::forgetDestination(int folder)
{
    QList<QByteArray> stored = storedBookmarks();
    QStringList names = storedNames();
    const qsizetype count = destinationFolderCount();
    if (folder < 0 || folder >= count)
        return;
    stored.removeAt(folder);
    names.removeAt(folder);
    storeFolders(stored, names);
    const qint64 defaultDestination = settings::defaultInt(settings::kDefaultDestinationKey);
    settings::setDefaultInt(settings::kDefaultDestinationKey,
                            destinationIndexAfterForgetting(defaultDestination, count, folder));
    settings::synchronize();

    rebuildPreferencesDestinationPopUp();
    // The file panel keeps its own choice, moved along with the folders.
    const int shown = int(destinationIndexAfterForgetting(m_main.index(), count, folder));
    const PopUpItems items = withFolderPaths(rebuiltDestinationItems(m_main.items(), names));
    m_main.set(items, selectableDestinationIndex(items, shown));
}

void DestinationFolders::rebuild(DestinationPopUp &popUp)
{
    const PopUpItems items = withFolderPaths(rebuiltDestinationItems(popUp.items(), storedNames()));
    popUp.set(items, selectableDestinationIndex(items, settings::defaultInt(settings::kDefaultDestinationKey)));
}

void DestinationFolders::rebuildDestinationPopUp()
{
    rebuild(m_main);
}

void DestinationFolders::rebuildPreferencesDestinationPopUp()
{
    rebuild(m_preferences);
}

void DestinationFolders::launchCheck()
{
    platform::Bookmarks *bookmarks = platform::services().bookmarks;
    QList<QByteArray> stored = storedBookmarks();
    QStringList names = storedNames();

    const qsizetype folderCount = qMin(stored.size(), names.size());
    QList<qsizetype> unreachable;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const std::optional<QString> path = bookmarks ? bookmarks->resolve(stored.at(i)) : std::nullopt;
        if (!path || path->isEmpty()) {
            unreachable.append(i);
            continue;
        }
        // Access is only tried here; access that was never granted is not ended.
        if (!bookmarks->startAccess(*path)) {
            unreachable.append(i);
            continue;
        }
        // What a crashed or killed run left behind there; a live run's files stay locked.
        for (const QString &partial : removeAbandonedPartials(*path)) {
            asl_NSLog(5, QStringLiteral("Removed %@, the unfinished output of a run that has ended."), partial);
            m_removedPartials.append(partial);
        }
        bookmarks->stopAccess(*path);
    }
    if (!unreachable.isEmpty()) {
        const QSet<qsizetype> indexes(unreachable.cbegin(), unreachable.cend());
        stored = arrayByRemovingObjectsAtIndexes(stored, indexes);
        names = arrayByRemovingObjectsAtIndexes(names, indexes);
        storeFolders(stored, names);
    }

    // The default keeps naming the folder it named, wherever the drops moved it.
    const qint64 current = settings::defaultInt(settings::kDefaultDestinationKey);
    const qint64 repaired = defaultDestinationAfterDropping(current, folderCount, unreachable);
    if (repaired != current)
        settings::setDefaultInt(settings::kDefaultDestinationKey, repaired);

    // Back to the three fixed items, then rebuilt from what is left.
    m_preferences.resetItems();
    rebuildPreferencesDestinationPopUp();
}

std::optional<QString> DestinationFolders::resolveDestinationFolder(int folder)
{
    platform::Bookmarks *bookmarks = platform::services().bookmarks;
    const QList<QByteArray> stored = storedBookmarks();
    if (!bookmarks || folder < 0 || folder >= stored.size())
        return std::nullopt;
    const std::optional<QString> path = bookmarks->resolve(stored.at(folder));
    if (!path || path->isEmpty())
        return std::nullopt;
    // Without access nothing could be written there; the job is then rejected by the write test.
    if (!bookmarks->startAccess(*path))
        return std::nullopt;
    return path;
}

void DestinationFolders::select(DestinationPopUp &popUp, int index)
{
    if (index >= 0 && index < popUp.items().size()) {
        const PopUpItem &item = popUp.items().at(index);
        if (item.kind == PopUpItem::Kind::ChooseFolder) {
            chooseNewDestination(item.tag);
        } else if (item.kind == PopUpItem::Kind::Item) {
            if (&popUp == &m_preferences)
                settings::setDefaultInt(settings::kDefaultDestinationKey, index);
            if (index != popUp.index()) {
                popUp.set(popUp.items(), index);
                return;
            }
        }
    }
    // Nothing new was selected (or the chooser has run): a view that moved its selection goes
    // back to the controller's.
    Q_EMIT popUp.indexChanged();
}

DestinationFolders::Selection DestinationFolders::selectedFolder()
{
    // An index that names no folder (the separator, the choose-folder item) asks for the file.
    const int index = m_main.index();
    const std::optional<int> folder =
        index != 0 ? folderForDestinationIndex(index, destinationFolderCount()) : std::nullopt;
    if (!folder)
        return {};
    return {true, resolveDestinationFolder(*folder)};
}

} // namespace tavrel
