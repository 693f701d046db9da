// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The destination pop-ups as plain item lists: what the window shows, rebuilt from the stored
// folder names, and the rules that turn a selected index into a folder.
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavrel {

struct PopUpItem
{
    enum class Kind { Item, Separator, ChooseFolder };

    QString title;
    Kind kind = Kind::Item;
    int tag = -1;   // ChooseFolder: 1 in the main window, 0 in the preferences window
    QString detail; // a folder's full path, for its tooltip

    bool operator==(const PopUpItem &) const = default;
};
using PopUpItems = QList<PopUpItem>;

// Tags of the choose-folder items.
inline constexpr int kPreferencesChooseFolderTag = 0;
inline constexpr int kMainWindowChooseFolderTag = 1;

// The three fixed items: ask each time, a separator, choose folder (with the given tag).
PopUpItems fixedDestinationItems(int chooseFolderTag);

// Rebuilds a pop-up from the stored folder names: the items past index 0 up to the last two are
// dropped, then (with names) a separator and the names in stored order go in from index 1.
// n names give n + 4 items, the newest folder at count - 3.
PopUpItems rebuiltDestinationItems(const PopUpItems &current, const QStringList &names);

// The index to show as selected for a stored DefaultDestination: the value when it names the
// ask-each-time item or a folder of the list, otherwise 0.
int selectableDestinationIndex(const PopUpItems &items, qint64 defaultDestination);

// The folder (0-based position in DestinationBookmarks) that a pop-up index designates, or none
// when the index names no folder (ask for the output file).
std::optional<int> folderForDestinationIndex(qint64 index, qsizetype folderCount);

// The repair of DefaultDestination at launch with n reachable folders: read as unsigned, a value
// past the last folder moves to the last folder, and the separator (1) becomes 0.
qint64 repairedDefaultDestination(qint64 defaultDestination, qsizetype folderCount);

// A pop-up index after folder `forgotten` (of `folderCount`) is forgotten by the user: the same
// folder where it stays; ask-each-time when it was the one forgotten or named no folder.
qint64 destinationIndexAfterForgetting(qint64 index, qsizetype folderCount, qsizetype forgotten);

// DefaultDestination after the folders at the `dropped` positions (of `folderCount`) are removed:
// a default folder that stays is followed to its new index; otherwise the repair above applies.
qint64 defaultDestinationAfterDropping(qint64 defaultDestination, qsizetype folderCount,
                                       const QList<qsizetype> &dropped);

} // namespace tavrel

Q_DECLARE_METATYPE(tavrel::PopUpItem)
