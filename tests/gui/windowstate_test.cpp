// Windows come back where the user left them: the main window with its splitter, the
// preferences and the help viewer, which opens over the main window the first time.
#include <QListWidget>
#include <QSplitter>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

#include "ui/helpviewer.h"
#include "ui/mainwindow.h"
#include "ui/preferenceswindow.h"
#include "uitesting.h"

namespace tavrel {
namespace {

class WindowStateTest : public test::UiFixture
{
protected:
    std::unique_ptr<MainWindow> openWindow()
    {
        auto window = std::make_unique<MainWindow>(delegate.get());
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }
};

TEST_F(WindowStateTest, MainWindowSizePlaceAndSplitterComeBack)
{
    QRect geometry;
    QList<int> sizes;
    {
        auto window = openWindow();
        window->setGeometry(60, 40, 700, 460);
        window->jobSplitter()->setSizes({250, 150});
        QCoreApplication::processEvents();
        geometry = window->geometry();
        sizes = window->jobSplitter()->sizes();
        ASSERT_NE(geometry.size(), QSize(860, 580)) << "not the default size";
        window->saveWindowStates(); // what closing and quitting do
    }
    auto again = openWindow();
    QCoreApplication::processEvents();
    EXPECT_EQ(again->geometry(), geometry);
    EXPECT_EQ(again->jobSplitter()->sizes(), sizes);
}

TEST_F(WindowStateTest, PreferencesAndHelpComeBackWhereTheyWereLeft)
{
    QRect preferences, help;
    {
        auto window = openWindow();
        window->showPreferences();
        window->preferencesWindow()->setGeometry(90, 70, 520, 480);
        QCoreApplication::processEvents();
        preferences = window->preferencesWindow()->geometry();
        window->preferencesWindow()->hide();

        window->showHelpDocument(delegate->readmeURL());
        window->helpViewer()->setGeometry(30, 20, 600, 500);
        QCoreApplication::processEvents();
        help = window->helpViewer()->geometry();
        // Left open at quit: remembered then.
        window->saveWindowStates();
    }
    auto again = openWindow();
    again->showPreferences();
    QCoreApplication::processEvents();
    EXPECT_EQ(again->preferencesWindow()->geometry(), preferences);
    again->showHelpDocument(delegate->faqURL());
    QCoreApplication::processEvents();
    EXPECT_EQ(again->helpViewer()->geometry(), help);
}

TEST_F(WindowStateTest, HelpOpensOverTheMainWindowTheFirstTime)
{
    auto window = openWindow();
    window->setGeometry(100, 80, 640, 420);
    QCoreApplication::processEvents();
    window->showHelpDocument(delegate->readmeURL());
    HelpViewer *viewer = window->helpViewer();
    EXPECT_EQ(viewer->parentWidget(), window.get());
    const QPoint offset = viewer->frameGeometry().center() - window->frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
}

} // namespace
} // namespace tavrel
