// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's actions, toolbar and menus.
#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "app/appdelegate.h"
#include "ui/helpviewer.h"
#include "ui/images.h"
#include "ui/joblistview.h"
#include "ui/linkcommands.h"
#include "ui/mainwindow.h"

namespace tavrel {

namespace {

// The pause item's two labels; its button is as wide as the wider one from the start, so the
// toolbar does not move when the label changes.
const QStringList kPauseItemLabels = {QStringLiteral("Pause Queue"), QStringLiteral("Resume Queue")};

QAction *newAction(QObject *parent, const QString &objectName, const QString &text, const QIcon &icon)
{
    auto *action = new QAction(icon, text, parent);
    action->setObjectName(objectName);
    return action;
}

// The Help menu's documents; their URLs are read when needed, since the start-up sequence fills
// them after the window is made.
struct HelpMenuEntry
{
    QString title;
    QUrl (AppDelegate::*url)() const;
    QKeySequence key;
    QString icon;
};

const QList<HelpMenuEntry> &helpMenuEntries()
{
    static const QList<HelpMenuEntry> entries = {
        {QStringLiteral("Read Me"), &AppDelegate::readmeURL, QKeySequence::HelpContents,
         QStringLiteral("help-contents")},
        {QStringLiteral("Frequently Asked Questions"), &AppDelegate::faqURL, {}, QStringLiteral("help-faq")},
        {QStringLiteral("Version History"), &AppDelegate::historyURL, {}, QStringLiteral("document-open-recent")},
        {QStringLiteral("Credits"), &AppDelegate::aboutURL, {}, QStringLiteral("help-about")},
    };
    return entries;
}

QString withShortcut(const QString &text, const QKeySequence &key)
{
    return key.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, key.toString(QKeySequence::NativeText));
}

} // namespace

void MainWindow::createActions()
{
    m_addFilesAction = newAction(this, QStringLiteral("addFilesAction"), QStringLiteral("Add Files…"),
                                 themedIcon(QStringLiteral("list-add"), QStringLiteral("toolbar_add")));
    m_addFilesAction->setShortcut(QKeySequence::Open);
    m_addFilesAction->setToolTip(
        withShortcut(QStringLiteral("Choose movies and subtitle files to convert"), m_addFilesAction->shortcut()));
    connect(m_addFilesAction, &QAction::triggered, m_delegate, [this] { m_delegate->addClicked(); });

    // Toolbar item and menu item are separate senders with their own texts; the shortcut is the
    // menu item's, so the menu shows it.
    m_pauseToolbarAction = newAction(this, QStringLiteral("pauseContinueToolbarItem"), QString(), QIcon());
    connect(m_pauseToolbarAction, &QAction::triggered, m_delegate,
            [this] { m_delegate->pauseContinueClicked(m_pauseToolbarAction); });
    m_pauseMenuAction = newAction(this, QStringLiteral("pauseContinueMenuItem"), QString(), QIcon());
    m_pauseMenuAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(m_pauseMenuAction, &QAction::triggered, m_delegate,
            [this] { m_delegate->pauseContinueClicked(m_pauseMenuAction); });

    m_cleanAction = newAction(this, QStringLiteral("cleanAction"), QStringLiteral("Clean"),
                              themedIcon(QStringLiteral("edit-clear-all"), QStringLiteral("toolbar_clean")));
    m_cleanAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    m_cleanAction->setToolTip(
        withShortcut(QStringLiteral("Remove the finished jobs from the list"), m_cleanAction->shortcut()));
    connect(m_cleanAction, &QAction::triggered, m_delegate, [this] { m_delegate->cleanClicked(); });

    // Only while the list has the focus: Delete in a text or pop-up elsewhere is theirs.
    m_removeJobAction = newAction(this, QStringLiteral("removeJobAction"), QStringLiteral("Remove Job"),
                                  themedIcon(QStringLiteral("list-remove"), QString()));
    m_removeJobAction->setShortcut(QKeySequence::Delete);
    m_removeJobAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_jobList->addAction(m_removeJobAction);
    connect(m_removeJobAction, &QAction::triggered, this, [this] {
        const QList<ConversionJob *> jobs = m_jobList->selectedJobs();
        // After this event: the removals change the list the view is showing.
        QMetaObject::invokeMethod(
            this, [this, jobs] { removeJobs(jobs); }, Qt::QueuedConnection);
    });

    m_preferencesAction = newAction(this, QStringLiteral("preferencesAction"), QStringLiteral("Preferences…"),
                                    themedIcon(QStringLiteral("preferences-system"), QString()));
    m_preferencesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_preferencesAction->setMenuRole(QAction::PreferencesRole);
    connect(m_preferencesAction, &QAction::triggered, this, &MainWindow::showPreferences);

    m_mainWindowAction =
        newAction(this, QStringLiteral("mainWindowAction"), QStringLiteral("Main Window"), applicationIcon());
    connect(m_mainWindowAction, &QAction::triggered, m_delegate, [this] { m_delegate->openMainWindow(); });

    m_closeAction = newAction(this, QStringLiteral("closeAction"), QStringLiteral("Close Window"),
                              themedIcon(QStringLiteral("window-close"), QString()));
    m_closeAction->setShortcut(QKeySequence::Close);
    connect(m_closeAction, &QAction::triggered, this, &QWidget::close);

    m_quitAction = newAction(this, QStringLiteral("quitAction"), QStringLiteral("Quit"),
                             themedIcon(QStringLiteral("application-exit"), QString()));
    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quitAction->setMenuRole(QAction::QuitRole);
    connect(m_quitAction, &QAction::triggered, this, &MainWindow::requestQuit);

    m_aboutAction = newAction(this, QStringLiteral("aboutAction"),
                              QStringLiteral("About ") + QApplication::applicationDisplayName(),
                              themedIcon(QStringLiteral("help-about"), QString()));
    m_aboutAction->setMenuRole(QAction::AboutRole);
    connect(m_aboutAction, &QAction::triggered, this, &MainWindow::showAbout);

    // Actions outside the menus still need the window to hear their shortcuts.
    addActions({m_addFilesAction, m_preferencesAction, m_closeAction, m_quitAction});
}

void MainWindow::createToolBar()
{
    QToolBar *bar = addToolBar(QStringLiteral("Toolbar"));
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize({32, 32});
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->addAction(m_addFilesAction);
    bar->addAction(m_pauseToolbarAction);
    bar->addAction(m_cleanAction);

    if (auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(m_pauseToolbarAction))) {
        m_pauseToolbarAction->setIcon(namedImage(QStringLiteral("toolbar_pause")));
        int width = 0;
        for (const QString &label : kPauseItemLabels) {
            m_pauseToolbarAction->setIconText(label);
            width = qMax(width, button->sizeHint().width());
        }
        button->setMinimumWidth(width);
    }
}

QList<HelpDocument> MainWindow::helpDocuments() const
{
    QList<HelpDocument> documents;
    for (const HelpMenuEntry &entry : helpMenuEntries())
        documents.append({entry.title, (m_delegate->*entry.url)()});
    return documents;
}

void MainWindow::createMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(m_addFilesAction);
    file->addSeparator();
    file->addAction(m_closeAction);
    file->addAction(m_quitAction);

    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(m_removeJobAction);
    edit->addSeparator();
    edit->addAction(m_preferencesAction);

    QMenu *queue = menuBar()->addMenu(QStringLiteral("&Queue"));
    queue->addAction(m_pauseMenuAction);
    queue->addAction(m_cleanAction);

    QMenu *window = menuBar()->addMenu(QStringLiteral("&Window"));
    window->addAction(m_mainWindowAction);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    for (const HelpMenuEntry &document : helpMenuEntries()) {
        QAction *action = help->addAction(themedIcon(document.icon, QString()), document.title);
        action->setShortcut(document.key);
        const auto url = document.url;
        connect(action, &QAction::triggered, this, [this, url] { showHelpDocument((m_delegate->*url)()); });
    }
    const QList<LinkCommand> links = availableLinkCommands();
    if (!links.isEmpty())
        help->addSeparator();
    for (const LinkCommand &link : links) {
        QAction *action = help->addAction(themedIcon(QStringLiteral("internet-mail"), QString()), link.title);
        action->setObjectName(QStringLiteral("linkAction%1").arg(link.tag));
        action->setData(link.tag);
        const int tag = link.tag;
        connect(action, &QAction::triggered, m_delegate, [this, tag] { m_delegate->openURL(tag); });
    }
    help->addSeparator();
    help->addAction(m_aboutAction);
}

void MainWindow::updatePauseLook()
{
    const QIcon image = namedImage(m_delegate->toolbarImageName());
    m_pauseToolbarAction->setIcon(image);
    m_pauseToolbarAction->setText(m_delegate->toolbarLabel());
    m_pauseToolbarAction->setIconText(m_delegate->toolbarLabel());
    m_pauseToolbarAction->setToolTip(withShortcut(m_delegate->toolbarLabel(), m_pauseMenuAction->shortcut()));
    m_pauseMenuAction->setIcon(image);
    m_pauseMenuAction->setText(m_delegate->menuItemTitle());
}

} // namespace tavrel
