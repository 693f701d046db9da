// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's life: start-up state, reopening, notifications, links, the rating flag and
// the alert for a tool that cannot be run.
#include <QSettings>
#include <QSignalSpy>

#include "controllertesting.h"
#include "inspection/languages.h"
#include "support/format.h"

namespace tavrel::test {
namespace {

class LifecycleTest : public ControllerTest
{
protected:
    ScriptedPlatform platform;
    AppDelegate app;
};

TEST_F(LifecycleTest, StartUpState)
{
    QTemporaryDir resources;
    for (const char *name : {"Credits.md", "History.md", "FAQ.md", "Read Me.md"})
        writeFile(resources.path() + u'/' + QString::fromUtf8(name), "# text");
    {
        const ScopedResourceDir resourceDir(resources.path());
        app.applicationDidFinishLaunching();
    }

    ASSERT_NE(OssoryLib::shared(), nullptr);
    EXPECT_EQ(app.filePanelHeight(), 0);
    EXPECT_FALSE(app.isScanning());
    EXPECT_TRUE(app.taskArray().isEmpty());
    EXPECT_FALSE(app.paused());
    EXPECT_EQ(app.addButtonTitle(), QStringLiteral("Start Conversion"));
    EXPECT_EQ(app.toolbarImageName(), QStringLiteral("toolbar_pause"));
    EXPECT_EQ(app.menuItemTitle(), QStringLiteral("Pause Queue"));
    EXPECT_EQ(app.windowTitle(), QStringLiteral("Tavrel "));
    EXPECT_EQ(
        app.movieFileTypes(),
        (QStringList{QStringLiteral("mkv"), QStringLiteral("mp4"), QStringLiteral("mov"), QStringLiteral("ogm")}));
    EXPECT_EQ(app.preferredLanguages(), preferredLanguages3Letter());
    EXPECT_EQ(app.version(), QStringLiteral("Version: ") + appVersionString());
    EXPECT_EQ(app.build(), QStringLiteral("Build: %1").arg(OssoryLib::shared()->appVersion()));
    EXPECT_EQ(app.aboutURL(), QUrl::fromLocalFile(resources.path() + QStringLiteral("/Credits.md")));
    EXPECT_EQ(app.historyURL(), QUrl::fromLocalFile(resources.path() + QStringLiteral("/History.md")));
    EXPECT_EQ(app.faqURL(), QUrl::fromLocalFile(resources.path() + QStringLiteral("/FAQ.md")));
    EXPECT_EQ(app.readmeURL(), QUrl::fromLocalFile(resources.path() + QStringLiteral("/Read Me.md")));
    EXPECT_EQ(app.preferencesDestinationPopUpItems(), fixedDestinationItems(kPreferencesChooseFolderTag));
}

TEST_F(LifecycleTest, ReopenAndClosingTheWindow)
{
    QSignalSpy show(&app, &AppDelegate::showMainWindow);
    EXPECT_FALSE(app.applicationShouldHandleReopen(false));
    app.openMainWindow();
    EXPECT_EQ(show.size(), 2);

    settings::setDefaultInt(settings::kAutoAddKey, 1);
    app.windowWillClose();
    QSettings onDisk(settings::storeFile(), QSettings::IniFormat);
    EXPECT_EQ(onDisk.value(settings::kAutoAddKey).toInt(), 1);
}

TEST_F(LifecycleTest, ANotificationClickRevealsItsPathOnly)
{
    app.applicationDidFinishLaunching();
    platform.notifier.click({{QStringLiteral("path"), QStringLiteral("/movies/Out file.mp4")}});
    ASSERT_EQ(platform.workspace.revealed.size(), 1);
    EXPECT_EQ(platform.workspace.revealed.first(), QStringList{QStringLiteral("/movies/Out file.mp4")});

    // A failed job's notification carries no path.
    platform.notifier.click({});
    EXPECT_EQ(platform.workspace.revealed.size(), 1);
}

TEST_F(LifecycleTest, LinkCommand)
{
    app.openURL(0);
    app.openURL(7);
    EXPECT_TRUE(platform.workspace.opened.isEmpty());

    app.openURL(3);
    ASSERT_EQ(platform.workspace.opened.size(), 1);
    EXPECT_TRUE(platform.workspace.opened.first().toString().endsWith(QStringLiteral("tavrel/")));

    app.openURL(1);
    ASSERT_EQ(platform.workspace.opened.size(), 2);
    EXPECT_EQ(platform.workspace.opened.last().scheme(), QStringLiteral("mailto"));
}

TEST_F(LifecycleTest, RatingFlagCountsThisVersionsUsages)
{
    const QString key = makeString(QStringLiteral("%@_usages"), appVersionString());
    EXPECT_FALSE(app.isRateable());
    settings::setDefaultInt(key, 10);
    EXPECT_FALSE(app.isRateable());
    settings::setDefaultInt(key, 11);
    EXPECT_TRUE(app.isRateable());

    resetSettingsStore();
    settings::setDefaultInt(QStringLiteral("0.0.1_usages"), 50);
    EXPECT_FALSE(app.isRateable());
}

TEST_F(LifecycleTest, AToolThatCannotRunIsReportedOnceAndTheFileStillShown)
{
    QTemporaryDir dir;
    const QString movie = dir.path() + QStringLiteral("/A.mkv");
    writeFile(movie, "movie");
    FakeScanner scanner;
    scanner.toolFailure = QStringLiteral("The program 'ffmpeg' could not be started: it was found neither among the "
                                         "application's resources nor on the search path.");
    app.setScanner(scanner.scanner());
    QSignalSpy scanned(&app, &AppDelegate::scanFinished);

    app.application_openFiles({movie});
    ASSERT_TRUE(waitUntil([&] { return scanned.size() == 1; }));
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(platform.alerts.shown.first().title, QStringLiteral("Tavrel"));
    EXPECT_TRUE(platform.alerts.shown.first().message.contains(QStringLiteral("'ffmpeg'")));
    EXPECT_EQ(app.fileName(), QStringLiteral("A.mkv"));
    EXPECT_EQ(app.filePanelHeight(), 117);

    // A record whose tools ran raises nothing.
    scanner.toolFailure.clear();
    app.cancelAdd();
    app.application_openFiles({movie});
    ASSERT_TRUE(waitUntil([&] { return scanned.size() == 2; }));
    EXPECT_EQ(platform.alerts.shown.size(), 1);
}

} // namespace
} // namespace tavrel::test
