// SPDX-License-Identifier: GPL-3.0-or-later
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
#include "ui/windowstate.h"
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

// Where the compositor places windows (Wayland) a remembered geometry gives back only its size and
// maximized state; elsewhere the place too. The record is Qt's own, so its layout is checked here.
TEST(WindowGeometryRecord, SizeOnlyWhereTheCompositorPlacesWindows)
{
    for (const char *platform : {"xcb", "offscreen"})
        EXPECT_TRUE(clientPlacesWindows(QLatin1String(platform))) << platform;
    for (const char *platform : {"wayland", "wayland-egl", "wayland-generic"})
        EXPECT_FALSE(clientPlacesWindows(QLatin1String(platform))) << platform;

    struct Case
    {
        bool maximized;
        bool clientPlaces;
    };
    for (const Case c : {Case{false, true}, Case{false, false}, Case{true, false}}) {
        SCOPED_TRACE(testing::Message() << "maximized " << c.maximized << ", client places " << c.clientPlaces);
        QWidget saved;
        saved.setGeometry(70, 50, 540, 330);
        if (c.maximized) {
            saved.showMaximized();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&saved));
        }
        const QByteArray record = saved.saveGeometry();
        const std::optional<RememberedSize> size = readRememberedSize(record);
        ASSERT_TRUE(size.has_value());
        EXPECT_EQ(size->normalSize, QSize(540, 330));
        EXPECT_EQ(size->maximized, c.maximized);

        QWidget restored;
        restored.resize(300, 200);
        ASSERT_TRUE(restoreGeometryRecord(&restored, record, c.clientPlaces));
        EXPECT_EQ(restored.isMaximized(), c.maximized);
        if (!c.maximized) {
            EXPECT_EQ(restored.size(), QSize(540, 330));
        }
        EXPECT_EQ(restored.testAttribute(Qt::WA_Moved), c.clientPlaces) << "a place set only where it counts";
        if (c.clientPlaces) {
            EXPECT_EQ(restored.pos(), QPoint(70, 50));
        }
    }

    // Neither a damaged record nor another kind of data is taken for one.
    const QByteArray good = QWidget().saveGeometry();
    for (const QByteArray &bad :
         {QByteArray(), good.left(20), QByteArray("not a geometry record"), QByteArray::fromHex("01d9d0cb00090000")})
        EXPECT_FALSE(readRememberedSize(bad).has_value()) << bad.toHex().toStdString();
    QWidget untouched;
    untouched.resize(300, 200);
    EXPECT_FALSE(restoreGeometryRecord(&untouched, good.left(20), false));
    EXPECT_EQ(untouched.size(), QSize(300, 200));
}

} // namespace
} // namespace tavrel
