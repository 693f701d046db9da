// SPDX-License-Identifier: GPL-3.0-or-later
// Destination folders: the pop-up layouts, adding folders from either window, the launch
// check and folder access held by jobs.
#include <QSettings>
#include <QSignalSpy>

#include "controllertesting.h"
#include "platform/jsonbookmarks.h"

namespace tavrel::test {
namespace {

using Kind = PopUpItem::Kind;

QList<Kind> kinds(const PopUpItems &items)
{
    QList<Kind> result;
    for (const PopUpItem &item : items)
        result.append(item.kind);
    return result;
}

TEST(DestinationPopUp, LayoutWithZeroOneAndTwoFolders)
{
    const PopUpItems fixed = fixedDestinationItems(kMainWindowChooseFolderTag);
    EXPECT_EQ(kinds(fixed), (QList<Kind>{Kind::Item, Kind::Separator, Kind::ChooseFolder}));
    EXPECT_EQ(fixed.at(2).tag, 1);
    EXPECT_EQ(fixedDestinationItems(kPreferencesChooseFolderTag).at(2).tag, 0);

    EXPECT_EQ(rebuiltDestinationItems(fixed, {}), fixed);

    const PopUpItems one = rebuiltDestinationItems(fixed, {QStringLiteral("Movies")});
    EXPECT_EQ(kinds(one), (QList<Kind>{Kind::Item, Kind::Separator, Kind::Item, Kind::Separator, Kind::ChooseFolder}));
    EXPECT_EQ(one.at(2).title, QStringLiteral("Movies"));

    // Rebuilding an already rebuilt pop-up gives the same as rebuilding the fixed one.
    const QStringList names{QStringLiteral("Movies"), QStringLiteral("Ext Disk")};
    const PopUpItems two = rebuiltDestinationItems(one, names);
    EXPECT_EQ(two, rebuiltDestinationItems(fixed, names));
    ASSERT_EQ(two.size(), 6);
    EXPECT_EQ(two.at(2).title, QStringLiteral("Movies"));
    EXPECT_EQ(two.at(3).title, QStringLiteral("Ext Disk"));
    EXPECT_EQ(two.at(two.size() - 3).title, QStringLiteral("Ext Disk")); // the newest
    EXPECT_EQ(two.at(5).kind, Kind::ChooseFolder);
    EXPECT_EQ(rebuiltDestinationItems(two, {}), fixed);
}

TEST(DestinationPopUp, IndexRules)
{
    struct Row
    {
        qint64 index;
        qsizetype folders;
        std::optional<int> folder;
    };
    const Row rows[] = {
        {0, 2, std::nullopt}, {1, 2, std::nullopt},  {2, 2, 0},           {3, 2, 1}, {4, 2, std::nullopt},
        {5, 2, std::nullopt}, {-1, 2, std::nullopt}, {2, 0, std::nullopt}};
    for (const Row &row : rows)
        EXPECT_EQ(folderForDestinationIndex(row.index, row.folders), row.folder) << row.index << " " << row.folders;

    struct Repair
    {
        qint64 stored;
        qsizetype folders;
        qint64 repaired;
    };
    const Repair repairs[] = {{3, 1, 2}, {2, 0, 0}, {1, 3, 0}, {0, 0, 0}, {3, 2, 3}, {9, 2, 3}, {-1, 2, 3}, {-1, 0, 0}};
    for (const Repair &r : repairs)
        EXPECT_EQ(repairedDefaultDestination(r.stored, r.folders), r.repaired) << r.stored << " " << r.folders;

    const PopUpItems two =
        rebuiltDestinationItems(fixedDestinationItems(0), {QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(selectableDestinationIndex(two, 3), 3);
    EXPECT_EQ(selectableDestinationIndex(two, 1), 0); // separator
    EXPECT_EQ(selectableDestinationIndex(two, 5), 0); // choose folder
    EXPECT_EQ(selectableDestinationIndex(two, 6), 0); // past the end
    EXPECT_EQ(selectableDestinationIndex(two, -2), 0);
}

TEST(DestinationPopUp, TheDefaultFollowsItsFolderWhenOthersAreDropped)
{
    struct Row
    {
        qint64 stored;
        qsizetype folders;
        QList<qsizetype> dropped;
        qint64 after;
    };
    const Row rows[] = {
        {4, 3, {0}, 3},                    // the third folder moves up to index 3 with it
        {4, 3, {0, 1}, 2},                 // and to index 2
        {2, 3, {1, 2}, 2},                 // folders behind it do not move it
        {3, 2, {1}, 2},                    // the default itself dropped: the repair moves it to the last folder
        {2, 1, {0}, 0},                    // no folder left: ask each time
        {0, 2, {0}, 0},    {9, 2, {0}, 2}, // past the end, as the repair reads it
    };
    for (const Row &row : rows)
        EXPECT_EQ(defaultDestinationAfterDropping(row.stored, row.folders, row.dropped), row.after)
            << row.stored << " " << row.folders;
}

class DestinationTest : public ControllerTest
{
protected:
    QString folder(const QString &name)
    {
        const QString path = dir.path() + u'/' + name;
        QDir().mkpath(path);
        return path;
    }
    static QStringList names()
    {
        QStringList result;
        for (const QVariant &v : settings::defaultArray(settings::kDestinationNamesKey).value_or(QVariantList()))
            result.append(v.toString());
        return result;
    }
    static qint64 defaultDestination() { return settings::defaultInt(settings::kDefaultDestinationKey); }

    ScriptedPlatform platform;
    QTemporaryDir dir;
    AppDelegate app;
};

TEST_F(DestinationTest, AddingFromPreferencesSelectsTheFolderAsDefault)
{
    app.launchCheck();
    platform.panels.folderAnswers.enqueue(folder(QStringLiteral("Converted Movies")));
    app.setPreferencesDestinationPopUpIndex(2); // the choose-folder item

    ASSERT_EQ(platform.panels.requests.size(), 1);
    EXPECT_EQ(platform.panels.requests.first().kind, QStringLiteral("folder"));
    EXPECT_EQ(platform.panels.requests.first().parent, platform::PanelParent::PreferencesWindow);
    const PopUpItems items = app.preferencesDestinationPopUpItems();
    EXPECT_EQ(kinds(items),
              (QList<Kind>{Kind::Item, Kind::Separator, Kind::Item, Kind::Separator, Kind::ChooseFolder}));
    EXPECT_EQ(items.at(2).title, QStringLiteral("Converted Movies"));
    EXPECT_EQ(app.preferencesDestinationPopUpIndex(), 2);
    EXPECT_EQ(defaultDestination(), 2);
    EXPECT_EQ(names(), QStringList{QStringLiteral("Converted Movies")});
    // Flushed to disk at once.
    QSettings onDisk(settings::storeFile(), QSettings::IniFormat);
    EXPECT_EQ(onDisk.value(settings::kDestinationNamesKey).toStringList(),
              QStringList{QStringLiteral("Converted Movies")});
}

TEST_F(DestinationTest, AddingFromTheMainWindowKeepsTheDefault)
{
    app.launchCheck();
    platform.panels.folderAnswers.enqueue(folder(QStringLiteral("first")));
    app.chooseNewDestination(kPreferencesChooseFolderTag);
    app.rebuildDestinationPopUp();
    ASSERT_EQ(app.destinationPopUpIndex(), 2);

    platform.panels.folderAnswers.enqueue(folder(QStringLiteral("second")));
    const int choose = int(app.destinationPopUpItems().size()) - 1;
    app.setDestinationPopUpIndex(choose);

    EXPECT_EQ(platform.panels.requests.last().parent, platform::PanelParent::MainWindow);
    EXPECT_EQ(app.destinationPopUpItems().at(3).title, QStringLiteral("second"));
    EXPECT_EQ(app.preferencesDestinationPopUpItems().at(3).title, QStringLiteral("second"));
    EXPECT_EQ(app.destinationPopUpIndex(), 3);
    EXPECT_EQ(app.preferencesDestinationPopUpIndex(), 2);
    EXPECT_EQ(defaultDestination(), 2);
}

TEST_F(DestinationTest, CancellingOrFailingTheChooserChangesNothing)
{
    app.launchCheck();
    settings::setDefaultInt(settings::kDefaultDestinationKey, 0);
    QSignalSpy indexChanged(&app, &AppDelegate::preferencesDestinationPopUpIndexChanged);

    app.setPreferencesDestinationPopUpIndex(2); // cancelled
    EXPECT_EQ(app.preferencesDestinationPopUpIndex(), 0);
    EXPECT_GE(indexChanged.size(), 1); // a view that moved to the item goes back
    EXPECT_EQ(defaultDestination(), 0);
    EXPECT_TRUE(names().isEmpty());

    platform.bookmarks.failCreate = true;
    platform.panels.folderAnswers.enqueue(folder(QStringLiteral("x")));
    app.chooseNewDestination(kMainWindowChooseFolderTag);
    EXPECT_TRUE(names().isEmpty());
    EXPECT_EQ(app.destinationPopUpItems().size(), 3);
    EXPECT_EQ(app.preferencesDestinationPopUpItems().size(), 3);
}

TEST_F(DestinationTest, LaunchCheckDropsUnreachableFoldersAndRepairsTheDefault)
{
    const QString kept = folder(QStringLiteral("kept"));
    const QString gone = folder(QStringLiteral("gone"));
    settings::setDefaultObject(settings::kDestinationBookmarksKey, QVariantList{gone.toUtf8(), kept.toUtf8()});
    settings::setDefaultObject(settings::kDestinationNamesKey,
                               QVariantList{QStringLiteral("gone"), QStringLiteral("kept")});
    settings::setDefaultInt(settings::kDefaultDestinationKey, 3);
    QDir(gone).removeRecursively();

    app.applicationDidFinishLaunching();

    EXPECT_EQ(names(), QStringList{QStringLiteral("kept")});
    const QVariantList bookmarks = settings::defaultArray(settings::kDestinationBookmarksKey).value_or(QVariantList());
    ASSERT_EQ(bookmarks.size(), 1);
    EXPECT_EQ(bookmarks.first().toByteArray(), kept.toUtf8());
    EXPECT_EQ(defaultDestination(), 2);
    EXPECT_EQ(app.preferencesDestinationPopUpItems().at(2).title, QStringLiteral("kept"));
    EXPECT_EQ(app.preferencesDestinationPopUpIndex(), 2);
    // Access was only tried.
    EXPECT_EQ(platform.bookmarks.openAccess.value(kept), 0);

    // Next launch: that one is gone too, and the default returns to asking.
    QDir(kept).removeRecursively();
    AppDelegate next;
    next.applicationDidFinishLaunching();
    EXPECT_TRUE(names().isEmpty());
    EXPECT_EQ(defaultDestination(), 0);
    EXPECT_EQ(next.preferencesDestinationPopUpItems().size(), 3);
}

TEST_F(DestinationTest, FolderAccessIsHeldWhileItsJobExists)
{
    const QString out = folder(QStringLiteral("out"));
    settings::setDefaultObject(settings::kDestinationBookmarksKey, QVariantList{out.toUtf8(), QByteArray("/proc")});
    settings::setDefaultObject(settings::kDestinationNamesKey,
                               QVariantList{QStringLiteral("out"), QStringLiteral("proc")});
    FakeScanner scanner;
    app.setScanner(scanner.scanner());
    QObject button;
    app.pauseContinueClicked(&button); // nothing launches
    QSignalSpy scanned(&app, &AppDelegate::scanFinished);

    const QString movie = dir.path() + QStringLiteral("/A.mkv");
    writeFile(movie, "movie");
    app.application_openFiles({movie});
    ASSERT_TRUE(waitUntil([&] { return scanned.size() == 1; }));
    app.setDestinationPopUpIndex(2);
    app.addToQueue();
    ASSERT_EQ(app.taskArray().size(), 1);
    EXPECT_EQ(platform.bookmarks.openAccess.value(out), 1);

    app.taskArray().first()->remove();
    EXPECT_EQ(platform.bookmarks.openAccess.value(out), 0);

    // A folder nothing can be written to: the job is refused, and its access ends with it.
    app.application_openFiles({movie});
    ASSERT_TRUE(waitUntil([&] { return scanned.size() == 2; }));
    app.setDestinationPopUpIndex(3);
    app.addToQueue();
    EXPECT_TRUE(app.taskArray().isEmpty());
    EXPECT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(platform.bookmarks.openAccess.value(QStringLiteral("/proc")), 0);
    EXPECT_EQ(platform.bookmarks.starts, platform.bookmarks.stops);
}

TEST_F(DestinationTest, TheLaunchCheckKeepsTheDefaultOnItsFolder)
{
    const QString a = folder(QStringLiteral("a"));
    const QString b = folder(QStringLiteral("b"));
    const QString c = folder(QStringLiteral("c"));
    settings::setDefaultObject(settings::kDestinationBookmarksKey, QVariantList{a.toUtf8(), b.toUtf8(), c.toUtf8()});
    settings::setDefaultObject(settings::kDestinationNamesKey,
                               QVariantList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    settings::setDefaultInt(settings::kDefaultDestinationKey, 4); // c
    QDir(a).removeRecursively();

    app.applicationDidFinishLaunching();
    EXPECT_EQ(names(), (QStringList{QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(defaultDestination(), 3);
    EXPECT_EQ(app.preferencesDestinationPopUpItems().at(3).title, QStringLiteral("c"));
    EXPECT_EQ(app.preferencesDestinationPopUpIndex(), 3);
}

TEST_F(DestinationTest, AHandWrittenSettingsFileKeepsItsFolder)
{
    platform::JsonBookmarks json;
    platform::services().bookmarks = &json;
    const QString movies = folder(QStringLiteral("Movies"));
    // As the README shows it: one folder, its bookmark the JSON text of its path.
    const QString conf = dir.path() + QStringLiteral("/Tavrel.conf");
    writeFile(conf,
              QStringLiteral("[General]\nDestinationBookmarks=\"{\\\"path\\\": \\\"%1\\\"}\"\n"
                             "DestinationNames=Movies\nDefaultDestination=2\n")
                  .arg(movies)
                  .toUtf8());
    settings::useStoreFile(conf);

    app.applicationDidFinishLaunching();
    EXPECT_EQ(defaultDestination(), 2);
    ASSERT_EQ(app.preferencesDestinationPopUpItems().size(), 5);
    EXPECT_EQ(app.preferencesDestinationPopUpItems().at(2).title, QStringLiteral("Movies"));

    // A movie added now goes into that folder.
    FakeScanner scanner;
    app.setScanner(scanner.scanner());
    QSignalSpy scanned(&app, &AppDelegate::scanFinished);
    app.pauseContinueClicked(&app);
    const QString movie = dir.path() + QStringLiteral("/Film.mkv");
    writeFile(movie, "movie");
    app.application_openFiles({movie});
    ASSERT_TRUE(waitUntil([&] { return scanned.size() == 1; }));
    app.addToQueue();
    ASSERT_EQ(app.taskArray().size(), 1);
    EXPECT_EQ(app.taskArray().first()->outputPath(), movies + QStringLiteral("/Film.mp4"));
    app.applicationWillTerminate();
    platform::services().bookmarks = &platform.bookmarks;
}

TEST(DestinationPopUp, AnIndexAfterAFolderIsForgotten)
{
    struct Row
    {
        qint64 index;
        qsizetype folders;
        qsizetype forgotten;
        qint64 after;
    };
    const Row rows[] = {
        {4, 3, 0, 3},               // the third folder moves up with its index
        {2, 3, 1, 2},               // a folder before the forgotten one stays
        {3, 3, 1, 0},               // the forgotten folder itself: ask each time, never another folder
        {0, 3, 1, 0}, {1, 3, 0, 0}, // names no folder
        {6, 3, 0, 0},
    };
    for (const Row &row : rows)
        EXPECT_EQ(destinationIndexAfterForgetting(row.index, row.folders, row.forgotten), row.after)
            << row.index << " " << row.forgotten;
}

TEST_F(DestinationTest, ForgettingAFolderTakesItOffBothPopUpsAndMovesTheChoices)
{
    app.launchCheck();
    for (const QString &name : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}) {
        platform.panels.folderAnswers.enqueue(folder(name));
        app.setPreferencesDestinationPopUpIndex(int(app.preferencesDestinationPopUpItems().size()) - 1);
    }
    ASSERT_EQ(names(), (QStringList{"A", "B", "C"}));
    ASSERT_EQ(defaultDestination(), 4); // C, the last one added
    EXPECT_EQ(app.preferencesDestinationPopUpItems().at(3).detail, folder(QStringLiteral("B"))) << "the tooltip's path";
    app.rebuildDestinationPopUp();
    app.setDestinationPopUpIndex(3); // B in the file panel

    app.forgetDestination(0);
    EXPECT_EQ(names(), (QStringList{"B", "C"}));
    EXPECT_EQ(defaultDestination(), 3) << "still C";
    EXPECT_EQ(app.preferencesDestinationPopUpIndex(), 3);
    EXPECT_EQ(app.preferencesDestinationPopUpItems().at(3).title, QStringLiteral("C"));
    EXPECT_EQ(app.destinationPopUpIndex(), 2) << "still B";
    EXPECT_EQ(app.destinationPopUpItems().at(2).title, QStringLiteral("B"));
    QSettings onDisk(settings::storeFile(), QSettings::IniFormat);
    EXPECT_EQ(onDisk.value(settings::kDestinationNamesKey).toStringList(), (QStringList{"B", "C"}));

    // The default itself forgotten: ask each time, not the folder that moved into its place.
    app.forgetDestination(1);
    EXPECT_EQ(names(), QStringList{"B"});
    EXPECT_EQ(defaultDestination(), 0);
    app.forgetDestination(5); // no such folder
    EXPECT_EQ(names(), QStringList{"B"});
}

} // namespace
} // namespace tavrel::test
