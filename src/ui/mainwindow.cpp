#include "ui/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/appdelegate.h"
#include "conversion/valuetransformers.h"
#include "ui/aboutdialog.h"
#include "ui/filepanel.h"
#include "ui/helpimageview.h"
#include "ui/helpviewer.h"
#include "ui/images.h"
#include "ui/jobdelegate.h"
#include "ui/joblistmodel.h"
#include "ui/linkcommands.h"
#include "ui/preferenceswindow.h"

namespace tavrel {

QStringList droppedPaths(const QMimeData *mime)
{
    QStringList paths;
    if (!mime)
        return paths;
    for (const QUrl &url : mime->urls())
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    return paths;
}

MainWindow::MainWindow(AppDelegate *delegate, QWidget *parent) : QMainWindow(parent), m_delegate(delegate)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowIcon(applicationIcon());
    setAcceptDrops(true);
    setUnifiedTitleAndToolBarOnMac(true);

    m_filePanel = new FilePanel(m_delegate, this);

    m_model = new JobListModel([delegate] { return delegate->taskArray(); }, this);
    m_jobDelegate = new JobDelegate(this);
    m_jobList = new QListView(this);
    m_jobList->setObjectName(QStringLiteral("jobList"));
    m_jobList->setModel(m_model);
    m_jobList->setItemDelegate(m_jobDelegate);
    m_jobList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_jobList->setUniformItemSizes(true);
    m_jobList->setMouseTracking(true);
    m_jobList->setAlternatingRowColors(true);
    m_jobList->setAcceptDrops(false);
    m_jobList->viewport()->setAcceptDrops(false);

    m_helpImage = new HelpImageView(this);
    m_stack = new QStackedWidget(this);
    m_stack->addWidget(m_helpImage);
    m_stack->addWidget(m_jobList);

    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_filePanel);
    column->addWidget(m_stack, 1);
    setCentralWidget(central);

    m_preferences = new PreferencesWindow(m_delegate, this);

    createActions();
    createToolBar();
    createMenus();

    auto syncJobs = [this] { m_model->sync(); };
    connect(m_delegate, &AppDelegate::taskArrayChanged, m_model, syncJobs);
    connect(m_delegate, &AppDelegate::jobsInserted, m_model, syncJobs);
    connect(m_delegate, &AppDelegate::jobRemoved, m_model, syncJobs);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &MainWindow::updateJobListShown);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &MainWindow::updateJobListShown);
    connect(m_model, &QAbstractItemModel::modelReset, this, &MainWindow::updateJobListShown);
    connect(m_jobList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::updateRemoveAction);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &MainWindow::updateRemoveAction);

    connect(m_delegate, &AppDelegate::windowTitleChanged, this, &MainWindow::updateTitle);
    connect(m_delegate, &AppDelegate::pauseLookChanged, this, &MainWindow::updatePauseLook);
    connect(m_delegate, &AppDelegate::showMainWindow, this, &MainWindow::bringToFront);
    connect(m_delegate, &AppDelegate::quitRequested, this, [this] { m_quitting = true; });

    updateTitle();
    updatePauseLook();
    updateJobListShown();
    updateRemoveAction();
    resize(860, 580);
    setMinimumSize(640, 380);
}

MainWindow::~MainWindow() = default;

void MainWindow::createActions()
{
    m_addFilesAction = new QAction(namedImage(QStringLiteral("toolbar_add")), QStringLiteral("Add Files…"), this);
    m_addFilesAction->setObjectName(QStringLiteral("addFilesAction"));
    m_addFilesAction->setShortcut(QKeySequence::Open);
    m_addFilesAction->setToolTip(QStringLiteral("Choose movies and subtitle files to convert"));
    connect(m_addFilesAction, &QAction::triggered, m_delegate, [this] { m_delegate->addClicked(); });

    // Toolbar item and menu item are separate senders with their own texts.
    m_pauseToolbarAction = new QAction(this);
    m_pauseToolbarAction->setObjectName(QStringLiteral("pauseContinueToolbarItem"));
    connect(m_pauseToolbarAction, &QAction::triggered, m_delegate,
            [this] { m_delegate->pauseContinueClicked(m_pauseToolbarAction); });
    m_pauseMenuAction = new QAction(this);
    m_pauseMenuAction->setObjectName(QStringLiteral("pauseContinueMenuItem"));
    connect(m_pauseMenuAction, &QAction::triggered, m_delegate,
            [this] { m_delegate->pauseContinueClicked(m_pauseMenuAction); });

    m_cleanAction = new QAction(namedImage(QStringLiteral("toolbar_clean")), QStringLiteral("Clean"), this);
    m_cleanAction->setObjectName(QStringLiteral("cleanAction"));
    m_cleanAction->setToolTip(QStringLiteral("Remove the finished jobs from the list"));
    connect(m_cleanAction, &QAction::triggered, m_delegate, [this] { m_delegate->cleanClicked(); });

    m_removeJobAction = new QAction(QStringLiteral("Remove Job"), this);
    m_removeJobAction->setObjectName(QStringLiteral("removeJobAction"));
    m_removeJobAction->setShortcut(QKeySequence::Delete);
    connect(m_removeJobAction, &QAction::triggered, this, &MainWindow::removeSelectedJob);

    m_preferencesAction = new QAction(QStringLiteral("Preferences…"), this);
    m_preferencesAction->setObjectName(QStringLiteral("preferencesAction"));
    m_preferencesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_preferencesAction->setMenuRole(QAction::PreferencesRole);
    connect(m_preferencesAction, &QAction::triggered, this, &MainWindow::showPreferences);

    m_mainWindowAction = new QAction(QStringLiteral("Main Window"), this);
    m_mainWindowAction->setObjectName(QStringLiteral("mainWindowAction"));
    connect(m_mainWindowAction, &QAction::triggered, m_delegate, [this] { m_delegate->openMainWindow(); });

    m_closeAction = new QAction(QStringLiteral("Close Window"), this);
    m_closeAction->setShortcut(QKeySequence::Close);
    connect(m_closeAction, &QAction::triggered, this, &QWidget::close);

    m_quitAction = new QAction(QStringLiteral("Quit"), this);
    m_quitAction->setObjectName(QStringLiteral("quitAction"));
    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quitAction->setMenuRole(QAction::QuitRole);
    connect(m_quitAction, &QAction::triggered, this, &MainWindow::requestQuit);

    m_aboutAction = new QAction(QStringLiteral("About ") + QApplication::applicationDisplayName(), this);
    m_aboutAction->setObjectName(QStringLiteral("aboutAction"));
    m_aboutAction->setMenuRole(QAction::AboutRole);
    connect(m_aboutAction, &QAction::triggered, this, &MainWindow::showAbout);

    // Actions outside the menus still need the window to hear their shortcuts.
    addActions({m_addFilesAction, m_removeJobAction, m_preferencesAction, m_closeAction, m_quitAction});
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
    const struct {
        QString title;
        QUrl (AppDelegate::*url)() const;
        QKeySequence key;
    } documents[] = {
        {QStringLiteral("Read Me"), &AppDelegate::readmeURL, QKeySequence::HelpContents},
        {QStringLiteral("Frequently Asked Questions"), &AppDelegate::faqURL, {}},
        {QStringLiteral("Version History"), &AppDelegate::historyURL, {}},
        {QStringLiteral("Credits"), &AppDelegate::aboutURL, {}},
    };
    for (const auto &document : documents) {
        QAction *action = help->addAction(document.title);
        action->setShortcut(document.key);
        const auto url = document.url;
        connect(action, &QAction::triggered, this, [this, url] { showHelpDocument((m_delegate->*url)()); });
    }
    const QList<LinkCommand> links = availableLinkCommands();
    if (!links.isEmpty())
        help->addSeparator();
    for (const LinkCommand &link : links) {
        QAction *action = help->addAction(link.title);
        action->setObjectName(QStringLiteral("linkAction%1").arg(link.tag));
        action->setData(link.tag);
        const int tag = link.tag;
        connect(action, &QAction::triggered, m_delegate, [this, tag] { m_delegate->openURL(tag); });
    }
    help->addSeparator();
    help->addAction(m_aboutAction);
}

HelpViewer *MainWindow::helpViewer()
{
    if (!m_helpViewer)
        m_helpViewer = new HelpViewer(this);
    return m_helpViewer;
}

void MainWindow::showHelpDocument(const QUrl &url)
{
    helpViewer()->showDocument(url);
}

void MainWindow::showPreferences()
{
    m_preferences->show();
    m_preferences->raise();
    m_preferences->activateWindow();
}

void MainWindow::showAbout()
{
    if (!m_about) {
        m_about = new AboutDialog(m_delegate, this);
        connect(m_about, &AboutDialog::creditsRequested, this, [this] { showHelpDocument(m_delegate->aboutURL()); });
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void MainWindow::bringToFront()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

bool MainWindow::requestQuit()
{
    if (m_quitting)
        return true;
    if (!m_delegate->applicationShouldTerminate())
        return false;
    quitNow();
    return true;
}

void MainWindow::quitNow()
{
    m_quitting = true;
    m_delegate->applicationWillTerminate();
    // exit(), not quit(): quit() first asks every window to close, and an open alert refuses.
    QCoreApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_delegate->windowWillClose();
    // Closing the window quits, so it asks about everything that would be lost, not only about
    // a conversion in progress.
    if (!m_quitting) {
        if (!m_delegate->windowShouldClose()) {
            event->ignore();
            return;
        }
        quitNow();
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_delegate->draggingEntered(droppedPaths(event->mimeData()))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::dragMoveEvent(QDragMoveEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QStringList paths = droppedPaths(event->mimeData());
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The drag source waits for the drop to finish; the scan and any alert come after.
    QMetaObject::invokeMethod(
        m_delegate, [delegate = m_delegate, paths] { delegate->performDragOperation(paths); }, Qt::QueuedConnection);
}

void MainWindow::updateTitle()
{
    setWindowTitle(m_delegate->windowTitle());
}

void MainWindow::updatePauseLook()
{
    m_pauseToolbarAction->setIcon(namedImage(m_delegate->toolbarImageName()));
    m_pauseToolbarAction->setText(m_delegate->toolbarLabel());
    m_pauseToolbarAction->setIconText(m_delegate->toolbarLabel());
    m_pauseMenuAction->setText(m_delegate->menuItemTitle());
}

void MainWindow::updateJobListShown()
{
    const QVariant jobs = QVariant::fromValue(m_delegate->taskArray());
    const bool any = NonEmptyCollectionValueTransformer().transformedValue(jobs).toBool();
    m_stack->setCurrentWidget(any ? static_cast<QWidget *>(m_jobList) : m_helpImage);
    m_cleanAction->setEnabled(any);
}

void MainWindow::updateRemoveAction()
{
    m_removeJobAction->setEnabled(m_jobList->selectionModel()->hasSelection());
}

void MainWindow::removeSelectedJob()
{
    const QModelIndexList rows = m_jobList->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    QPointer<ConversionJob> job = m_model->jobAt(rows.first().row());
    QMetaObject::invokeMethod(this, [job] { performRowButton(job, RowButton::Remove); }, Qt::QueuedConnection);
}

} // namespace tavrel
