// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAction>
#include <QListWidget>
#include <QMenuBar>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

#include "ui/helpviewer.h"
#include "ui/mainwindow.h"
#include "uitesting.h"

namespace tavrel {
namespace {

class HelpTest : public test::UiFixture
{
protected:
    QAction *helpMenuAction(MainWindow &window, const QString &title)
    {
        for (QAction *menu : window.menuBar()->actions())
            if (menu->menu() && menu->text().contains(QStringLiteral("Help")))
                for (QAction *action : menu->menu()->actions())
                    if (action->text() == title)
                        return action;
        return nullptr;
    }
};

TEST_F(HelpTest, EveryHelpDocumentIsBundledAndOpensFromTheMenu)
{
    MainWindow window(delegate.get());
    const std::pair<QString, QString> documents[] = {
        {QStringLiteral("Read Me"), QStringLiteral("Read Me")},
        {QStringLiteral("Frequently Asked Questions"), QStringLiteral("FAQ")},
        {QStringLiteral("Version History"), QStringLiteral("History")},
        {QStringLiteral("Credits"), QStringLiteral("Credits")},
    };
    for (const auto &[menuTitle, documentTitle] : documents) {
        QAction *action = helpMenuAction(window, menuTitle);
        ASSERT_NE(action, nullptr) << menuTitle.toStdString();
        action->trigger();
        HelpViewer *viewer = window.helpViewer();
        EXPECT_TRUE(viewer->isVisible());
        EXPECT_EQ(viewer->windowTitle(), documentTitle);
        // Markdown rendered, not shown as source; and not the missing-document note.
        const QString text = viewer->browser()->toPlainText();
        EXPECT_FALSE(text.contains(QStringLiteral("is missing"))) << documentTitle.toStdString();
        EXPECT_FALSE(text.startsWith(QLatin1Char('#'))) << documentTitle.toStdString();
        EXPECT_GT(text.size(), 200) << documentTitle.toStdString();
    }
}

TEST_F(HelpTest, LinksBetweenDocumentsStayInTheViewerOthersGoToTheDesktop)
{
    HelpViewer viewer;
    viewer.showDocument(delegate->readmeURL());
    Q_EMIT viewer.browser()->anchorClicked(QUrl(QStringLiteral("FAQ.md")));
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("FAQ"));
    EXPECT_TRUE(platform.workspace.opened.isEmpty());

    Q_EMIT viewer.browser()->anchorClicked(QUrl(QStringLiteral("https://ffmpeg.org/")));
    ASSERT_EQ(platform.workspace.opened.size(), 1);
    EXPECT_EQ(platform.workspace.opened.first(), QUrl(QStringLiteral("https://ffmpeg.org/")));
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("FAQ"));

    viewer.showDocument(QUrl::fromLocalFile(dir.filePath(QStringLiteral("Gone.md"))));
    EXPECT_TRUE(viewer.browser()->toPlainText().contains(QStringLiteral("\"Gone\" is missing")));
}

TEST_F(HelpTest, BackForwardAndTheListOfDocuments)
{
    MainWindow window(delegate.get());
    window.showHelpDocument(delegate->readmeURL());
    HelpViewer *viewer = window.helpViewer();
    QListWidget *list = viewer->documentList();
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("Frequently Asked Questions"));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_FALSE(viewer->backAction()->isEnabled());

    // A document chosen in the list, then one reached by a link.
    Q_EMIT list->itemClicked(list->item(2));
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("History"));
    Q_EMIT viewer->browser()->anchorClicked(QUrl(QStringLiteral("FAQ.md")));
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("FAQ"));
    EXPECT_EQ(list->currentRow(), 1);

    viewer->backAction()->trigger();
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("History"));
    viewer->backAction()->trigger();
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Read Me"));
    EXPECT_FALSE(viewer->backAction()->isEnabled());
    EXPECT_TRUE(viewer->forwardAction()->isEnabled());
    viewer->forwardAction()->trigger();
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("History"));
    EXPECT_FALSE(viewer->browser()->toPlainText().contains(QStringLiteral("is missing")));

    // A new visit from the middle of the history ends the way forward.
    window.showHelpDocument(delegate->aboutURL());
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Credits"));
    EXPECT_FALSE(viewer->forwardAction()->isEnabled());
    viewer->backAction()->trigger();
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("History"));
}

} // namespace
} // namespace tavrel
