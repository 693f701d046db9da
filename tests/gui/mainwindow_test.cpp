// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QDragEnterEvent>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

#include "ui/filepanel.h"
#include "ui/helpimageview.h"
#include "ui/images.h"
#include "ui/joblistmodel.h"
#include "ui/joblistview.h"
#include "ui/mainwindow.h"
#include "uitesting.h"

namespace tavrel {
namespace {

class MainWindowTest : public test::UiFixture
{
protected:
    void SetUp() override
    {
        test::UiFixture::SetUp();
        window = std::make_unique<MainWindow>(delegate.get());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override
    {
        window.reset();
        test::UiFixture::TearDown();
    }

    std::unique_ptr<QMimeData> filesMime(const QStringList &names)
    {
        auto mime = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString &name : names)
            urls.append(QUrl::fromLocalFile(dir.filePath(name)));
        mime->setUrls(urls);
        return mime;
    }

    bool dragEnters(const QMimeData *mime)
    {
        QDragEnterEvent enter(QPoint(100, 200), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &enter);
        return enter.isAccepted();
    }

    static QImage picture(const QIcon &icon) { return icon.pixmap(32, 32).toImage(); }

    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, ADropOfMoviesIsScannedAndShownInTheFilePanel)
{
    const auto mime = filesMime({QStringLiteral("My Movie.mkv"), QStringLiteral("My Movie.srt")});
    ASSERT_TRUE(dragEnters(mime.get()));

    QSignalSpy scanned(delegate.get(), &AppDelegate::scanFinished);
    QDropEvent drop(QPointF(100, 200), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_TRUE(scanned.wait(5000));

    FilePanel *panel = window->filePanel();
    EXPECT_TRUE(panel->isVisible());
    auto *name = panel->findChild<QLabel *>(QStringLiteral("fileNameLabel"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), QStringLiteral("My Movie.mkv"));
    // The subtitle file dropped with it was attached: "+1)" in the information line.
    auto *info = panel->findChild<QLabel *>(QStringLiteral("informationLabel"));
    EXPECT_TRUE(info->text().contains(QStringLiteral("+1)"))) << info->text().toStdString();
    auto *audio = panel->findChild<QComboBox *>(QStringLiteral("audioPopUp"));
    EXPECT_EQ(audio->count(), 2);
    EXPECT_TRUE(panel->addButton()->isEnabled());

    // Cancel with nothing pending hides the panel again.
    panel->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(MainWindowTest, TheFilePanelFitsItsContentsTakesItsKeysAndNamesTheFolder)
{
    const QString folder = dir.filePath(QStringLiteral("Converted Movies"));
    ASSERT_TRUE(QDir().mkpath(folder));
    platform.panels.folderAnswers.enqueue(folder);
    delegate->chooseNewDestination(kPreferencesChooseFolderTag); // the default from now on

    QSignalSpy scanned(delegate.get(), &AppDelegate::scanFinished);
    delegate->application_openFiles({dir.filePath(QStringLiteral("A.mkv")), dir.filePath(QStringLiteral("B.mkv"))});
    ASSERT_TRUE(scanned.wait(5000));
    FilePanel *panel = window->filePanel();
    auto *audio = panel->findChild<QComboBox *>(QStringLiteral("audioPopUp"));
    auto *destination = panel->findChild<QComboBox *>(QStringLiteral("destinationPopUp"));
    auto *info = panel->findChild<QLabel *>(QStringLiteral("informationLabel"));
    QCoreApplication::processEvents();

    // No empty band: the panel is as tall as it needs, the controls right under the text.
    EXPECT_EQ(panel->height(), panel->sizeHint().height());
    EXPECT_LE(audio->geometry().top() - info->geometry().bottom(), 16);
    EXPECT_LE(panel->height() - audio->geometry().bottom(), 16);

    EXPECT_TRUE(audio->hasFocus()) << "focus starts on the audio choice";
    EXPECT_EQ(destination->currentText(), QStringLiteral("Converted Movies"));
    EXPECT_EQ(destination->toolTip(), folder);

    // Escape cancels A (B is read next), Return adds B to the queue.
    QTest::keyClick(audio, Qt::Key_Escape);
    ASSERT_TRUE(scanned.wait(5000));
    EXPECT_EQ(delegate->fileName(), QStringLiteral("B.mkv"));
    EXPECT_TRUE(delegate->taskArray().isEmpty());
    QTest::keyClick(audio, Qt::Key_Return);
    ASSERT_EQ(delegate->taskArray().size(), 1);
    EXPECT_EQ(delegate->taskArray().first()->outputPath(), folder + QStringLiteral("/B.mp4"));
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(MainWindowTest, EveryToolbarItemHasItsIconAndThePauseItemKeepsItsPlace)
{
    auto *bar = window->findChild<QToolBar *>(QStringLiteral("toolbar"));
    ASSERT_NE(bar, nullptr);
    const QList<QAction *> items = bar->actions();
    ASSERT_EQ(items.size(), 3);
    QList<QRect> before;
    for (QAction *item : items) {
        EXPECT_FALSE(item->icon().isNull()) << item->text().toStdString();
        EXPECT_FALSE(picture(item->icon()).isNull()) << item->text().toStdString();
        before.append(bar->widgetForAction(item)->geometry());
    }
    const QRect central = window->centralWidget()->geometry();

    window->pauseToolbarAction()->trigger();
    QCoreApplication::processEvents();
    ASSERT_EQ(window->pauseToolbarAction()->iconText(), QStringLiteral("Resume Queue"));
    for (int i = 0; i < items.size(); ++i)
        EXPECT_EQ(bar->widgetForAction(items.at(i))->geometry(), before.at(i)) << items.at(i)->text().toStdString();
    EXPECT_EQ(window->centralWidget()->geometry(), central);
}

// The program builds its window before the launch sequence runs; the pictures must not wait for it.
TEST(MainWindowBeforeLaunch, ToolbarPicturesAreThereFromTheStart)
{
    test::resetSettingsStore();
    const test::ScopedResourceDir resources(QStringLiteral(TAVREL_BUILD_RESOURCES));
    test::ScriptedPlatform platform;
    ASSERT_EQ(OssoryLib::shared(), nullptr);
    AppDelegate delegate;
    MainWindow window(&delegate);
    for (QAction *item : window.findChild<QToolBar *>(QStringLiteral("toolbar"))->actions())
        EXPECT_FALSE(item->icon().pixmap(32, 32).isNull()) << item->iconText().toStdString();
}

TEST_F(MainWindowTest, QueueCommandsHaveShortcutsShownInTheQueueMenu)
{
    QMenu *queue = nullptr;
    for (QAction *menu : window->menuBar()->actions())
        if (menu->menu() && menu->text() == QStringLiteral("&Queue"))
            queue = menu->menu();
    ASSERT_NE(queue, nullptr);
    ASSERT_TRUE(queue->actions().contains(window->pauseMenuAction()));
    ASSERT_TRUE(queue->actions().contains(window->cleanAction()));
    EXPECT_FALSE(window->pauseMenuAction()->shortcut().isEmpty());
    EXPECT_FALSE(window->cleanAction()->shortcut().isEmpty());
    EXPECT_NE(window->pauseMenuAction()->shortcut(), window->cleanAction()->shortcut());

    // The key works from anywhere in the window, as a press of the menu item.
    window->activateWindow();
    window->jobList()->setFocus();
    QTest::keySequence(window.get(), window->pauseMenuAction()->shortcut());
    EXPECT_TRUE(delegate->paused());
    EXPECT_EQ(window->pauseMenuAction()->text(), QStringLiteral("Resume Queue"));
    EXPECT_TRUE(window->pauseToolbarAction()->toolTip().contains(
        window->pauseMenuAction()->shortcut().toString(QKeySequence::NativeText)));
}

TEST_F(MainWindowTest, DragsWithoutAMovieAreRefused)
{
    EXPECT_FALSE(dragEnters(filesMime({QStringLiteral("Movie.srt"), QStringLiteral("Movie.ass")}).get()));
    EXPECT_FALSE(dragEnters(filesMime({QStringLiteral("notes.txt")}).get()));
    EXPECT_TRUE(dragEnters(filesMime({QStringLiteral("Movie.srt"), QStringLiteral("MOVIE.MKV")}).get()));
    auto webLinks = std::make_unique<QMimeData>();
    webLinks->setUrls({QUrl(QStringLiteral("https://example.org/Movie.mkv"))});
    EXPECT_FALSE(dragEnters(webLinks.get()));
    // The picture in the empty list takes no drops itself, so they reach the window.
    EXPECT_FALSE(window->findChild<HelpImageView *>()->acceptDrops());
    EXPECT_TRUE(window->acceptDrops());
}

TEST_F(MainWindowTest, PauseAndResumeChangeTheToolbarMenuAndAddButton)
{
    QAction *toolbar = window->pauseToolbarAction();
    QAction *menu = window->pauseMenuAction();
    QPushButton *add = window->filePanel()->addButton();
    const QImage pauseImage = picture(namedImage(QStringLiteral("toolbar_pause")));
    const QImage startImage = picture(namedImage(QStringLiteral("toolbar_start")));
    ASSERT_FALSE(pauseImage.isNull());
    ASSERT_NE(pauseImage, startImage);

    // Running look at start.
    EXPECT_EQ(toolbar->text(), QStringLiteral("Pause Queue"));
    EXPECT_EQ(menu->text(), QStringLiteral("Pause Queue"));
    EXPECT_EQ(picture(toolbar->icon()), pauseImage);
    EXPECT_EQ(add->text(), QStringLiteral("Start Conversion"));

    toolbar->trigger();
    EXPECT_TRUE(delegate->paused());
    EXPECT_EQ(toolbar->text(), QStringLiteral("Resume Queue"));
    EXPECT_EQ(menu->text(), QStringLiteral("Resume Queue"));
    EXPECT_EQ(picture(toolbar->icon()), startImage);
    EXPECT_EQ(add->text(), QStringLiteral("Add to Queue"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tavrel (Paused)"));

    menu->trigger(); // the menu item is the same command
    EXPECT_FALSE(delegate->paused());
    EXPECT_EQ(toolbar->text(), QStringLiteral("Pause Queue"));
    EXPECT_EQ(menu->text(), QStringLiteral("Pause Queue"));
    EXPECT_EQ(picture(toolbar->icon()), pauseImage);
    EXPECT_EQ(add->text(), QStringLiteral("Start Conversion"));
}

TEST_F(MainWindowTest, TitleAndListFollowTheQueue)
{
    auto *stack = window->findChild<QStackedWidget *>();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tavrel "));
    EXPECT_EQ(stack->currentWidget(), window->findChild<HelpImageView *>());
    EXPECT_FALSE(window->cleanAction()->isEnabled());

    addJobInState(QStringLiteral("One"), Queued);
    addJobInState(QStringLiteral("Two"), Finished);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tavrel  [2 Job(s), 1 Queued]"));
    EXPECT_EQ(stack->currentWidget(), window->jobList());
    EXPECT_EQ(window->jobModel()->rowCount(), 2);
    EXPECT_TRUE(window->cleanAction()->isEnabled());

    window->cleanAction()->trigger(); // takes the finished one away
    EXPECT_EQ(window->jobModel()->rowCount(), 1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tavrel  [1 Job(s), 1 Queued]"));
}

TEST_F(MainWindowTest, DeleteRemovesTheSelectedJob)
{
    addJobInState(QStringLiteral("Keep"), Failed);
    addJobInState(QStringLiteral("Drop"), Finished);
    QListView *list = window->jobList();
    list->setCurrentIndex(window->jobModel()->index(1));
    list->setFocus();

    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate->taskArray().size() == 1; }, 2000));
    EXPECT_EQ(delegate->taskArray().first()->fileInfo()->fileName, QStringLiteral("Keep.mkv"));
}

TEST_F(MainWindowTest, ClosingWithUnfinishedWorkSaysWhatIsDiscardedAndCancelKeepsIt)
{
    addJobInState(QStringLiteral("Busy"), Converting);
    addJobInState(QStringLiteral("Waiting"), Queued);
    addJobInState(QStringLiteral("Held"), Paused);
    platform.alerts.answers.enqueue({0}); // "Cancel"
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(platform.alerts.shown.first().message,
              QStringLiteral("Closing the window quits Tavrel and discards 1 conversion in progress, 1 paused "
                             "conversion and 1 queued conversion. Unfinished output files are deleted; your movies "
                             "are kept. Are you sure you want to quit?"));
    EXPECT_EQ(platform.alerts.shown.first().defaultButton, QStringLiteral("Quit"));
    EXPECT_EQ(platform.alerts.shown.first().alternateButton, QStringLiteral("Cancel"));
    EXPECT_EQ(delegate->taskArray().size(), 3);
}

TEST_F(MainWindowTest, ClosingWithAQueuedJobAsksAndQuitRemovesEveryJob)
{
    addJobInState(QStringLiteral("Waiting"), Queued);
    platform.alerts.answers.enqueue({1}); // "Quit"
    EXPECT_TRUE(window->close());
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_TRUE(platform.alerts.shown.first().message.contains(QStringLiteral("1 queued conversion")));
    EXPECT_TRUE(delegate->taskArray().isEmpty());
}

TEST_F(MainWindowTest, ClosingWhileMoviesWaitToBeAddedAsks)
{
    QSignalSpy scanned(delegate.get(), &AppDelegate::scanFinished);
    delegate->application_openFiles({dir.filePath(QStringLiteral("A.mkv")), dir.filePath(QStringLiteral("B.mkv"))});
    ASSERT_TRUE(scanned.wait(5000));
    platform.alerts.answers.enqueue({0}); // "Cancel"
    EXPECT_FALSE(window->close());
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    // The movie in the panel and the one after it.
    EXPECT_TRUE(platform.alerts.shown.first().message.contains(QStringLiteral("discards 2 movies not yet added")))
        << platform.alerts.shown.first().message.toStdString();
    EXPECT_EQ(delegate->fileName(), QStringLiteral("A.mkv"));
}

TEST_F(MainWindowTest, ClosingWithOnlyEndedJobsQuitsWithoutAsking)
{
    addJobInState(QStringLiteral("Done"), Finished);
    addJobInState(QStringLiteral("Broken"), Failed);
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(platform.alerts.shown.isEmpty());
    EXPECT_TRUE(delegate->taskArray().isEmpty());
}

TEST_F(MainWindowTest, TheQuitCommandAsksOnlyWhileAJobConverts)
{
    addJobInState(QStringLiteral("Waiting"), Queued);
    EXPECT_TRUE(window->requestQuit());
    EXPECT_TRUE(platform.alerts.shown.isEmpty());
}

} // namespace
} // namespace tavrel
