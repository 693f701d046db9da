// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The remembered destination folders (their bookmarks and names in the settings) and the two
// pop-ups that offer them, the main window's and the preferences'.
#include <QObject>

#include <optional>

#include "app/popupitems.h"

namespace tavrel {

// One pop-up's items and selected index.
class DestinationPopUp final : public QObject
{
    Q_OBJECT

public:
    explicit DestinationPopUp(int chooseFolderTag, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(DestinationPopUp)

    const PopUpItems &items() const { return m_items; }
    int index() const { return m_index; }
    int chooseFolderTag() const { return m_chooseFolderTag; }
    // Emits each signal only for what changed.
    void set(const PopUpItems &items, int index);
    // Back to the three fixed items, unannounced: a rebuild follows and announces the result.
    void resetItems() { m_items = fixedDestinationItems(m_chooseFolderTag); }

Q_SIGNALS:
    void itemsChanged();
    void indexChanged();

private:
    const int m_chooseFolderTag;
    PopUpItems m_items;
    int m_index = 0;
};

class DestinationFolders final : public QObject
{
    Q_OBJECT

public:
    explicit DestinationFolders(QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(DestinationFolders)

    DestinationPopUp &mainPopUp() { return m_main; }
    DestinationPopUp &preferencesPopUp() { return m_preferences; }
    const DestinationPopUp &mainPopUp() const { return m_main; }
    const DestinationPopUp &preferencesPopUp() const { return m_preferences; }

    void chooseNewDestination(int tag); // 1 main window, 0 preferences
    void rebuildDestinationPopUp();
    void rebuildPreferencesDestinationPopUp();
    // Drops the folders that cannot be reached, and deletes the partial outputs that ended runs
    // left in the others.
    void launchCheck();
    const QStringList &removedPartials() const { return m_removedPartials; }
    // Takes a remembered folder (0-based) out of both lists; jobs already writing there go on.
    void forgetDestination(int folder);
    // Selecting the choose-folder item runs chooseNewDestination instead of selecting it; a
    // folder chosen in the preferences also becomes DefaultDestination.
    void select(DestinationPopUp &popUp, int index);

    // What the main pop-up's selection names: a folder (its path, with access started; none when
    // it cannot be resolved or accessed), or no folder at all (ask for the output file).
    struct Selection
    {
        bool namesFolder = false;
        std::optional<QString> path;
    };
    Selection selectedFolder();

private:
    std::optional<QString> resolveDestinationFolder(int folder);
    PopUpItems withFolderPaths(PopUpItems items) const;
    void rebuild(DestinationPopUp &popUp);

    DestinationPopUp m_main;
    DestinationPopUp m_preferences;
    QStringList m_removedPartials;
};

} // namespace tavrel
