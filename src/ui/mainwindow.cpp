// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMimeData>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/appdelegate.h"
#include "app/queueprogress.h"
#include "conversion/valuetransformers.h"
#include "platform/api/services.h"
#include "ui/aboutdialog.h"
#include "ui/filepanel.h"
#include "ui/helpimageview.h"
#include "ui/helpviewer.h"
#include "ui/images.h"
#include "ui/jobdelegate.h"
#include "ui/jobdetailspane.h"
#include "ui/joblistmodel.h"
#include "ui/joblistview.h"
#include "ui/joblogviewer.h"
#include "ui/preferenceswindow.h"
#include "ui/windowstate.h"

namespace tavrel {

namespace {
const QString kGeometryName = QStringLiteral("MainWindowGeometry");
const QString kSplitterName = QStringLiteral("MainWindowSplitter");
} // namespace

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

    m_model = new JobListModel(delegate, this);
    m_jobDelegate = new JobDelegate(this);
    m_jobList = new JobListView(this);
    m_jobList->setObjectName(QStringLiteral("jobList"));
    m_jobList->setAccessibleName(QStringLiteral("Jobs"));
    m_jobList->setModel(m_model);
    m_jobList->setItemDelegate(m_jobDelegate);
    m_jobList->setUniformItemSizes(true);
    m_jobList->setMouseTracking(true);
    m_jobList->setAlternatingRowColors(true);
    m_jobList->setAcceptDrops(false);
    m_jobList->viewport()->setAcceptDrops(false);

    m_helpImage = new HelpImageView(this);
    m_stack = new QStackedWidget(this);
    m_stack->addWidget(m_helpImage);
    m_stack->addWidget(m_jobList);

    m_details = new JobDetailsPane(this);
    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->setObjectName(QStringLiteral("jobSplitter"));
    m_splitter->setChildrenCollapsible(true);
    m_splitter->addWidget(m_stack);
    m_splitter->addWidget(m_details);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setCollapsible(0, false);
    m_splitter->setSizes({440, 110});

    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_filePanel);
    column->addWidget(m_splitter, 1);
    setCentralWidget(central);

    m_preferences = new PreferencesWindow(m_delegate, this);

    createActions();
    createToolBar();
    createMenus();
    connectJobList();

    connect(m_delegate, &AppDelegate::windowTitleChanged, this, &MainWindow::updateTitle);
    connect(m_delegate, &AppDelegate::pauseLookChanged, this, &MainWindow::updatePauseLook);
    connect(m_delegate, &AppDelegate::showMainWindow, this, &MainWindow::bringToFront);
    connect(m_delegate, &AppDelegate::quitRequested, this, [this] { m_quitting = true; });

    m_queueProgress = new QueueProgress(m_delegate, this);
    connect(m_queueProgress, &QueueProgress::changed, this, &MainWindow::updateLauncherEntry);

    updateTitle();
    updatePauseLook();
    updateJobListShown();
    updateSelectionActions();
    setMinimumSize(640, 380);
    resize(860, 580);
    restoreWindowGeometry(this, kGeometryName);
    restoreSplitterState(m_splitter, kSplitterName);
}

MainWindow::~MainWindow()
{
    // A bar left on the launcher would outlive the queue it showed.
    if (m_queueProgress && m_queueProgress->visible())
        if (platform::LauncherEntry *entry = platform::services().launcherEntry)
            entry->setProgress(0.0, false);
}

void MainWindow::connectJobList()
{
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &MainWindow::updateJobListShown);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &MainWindow::updateJobListShown);
    connect(m_model, &QAbstractItemModel::modelReset, this, &MainWindow::updateJobListShown);
    connect(m_jobList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::updateSelectionActions);
    connect(m_jobList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &MainWindow::updateSelectionActions);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &MainWindow::updateSelectionActions);
    connect(m_model, &QAbstractItemModel::modelReset, this, &MainWindow::updateSelectionActions);

    connect(m_jobList, &QAbstractItemView::activated, this,
            [this](const QModelIndex &index) { runNaturalAction(m_jobList->jobAt(index)); });
    connect(m_jobList, &JobListView::pauseContinueRequested, this,
            [](ConversionJob *job) { performRowButton(job, RowButton::PauseContinue); });
    connect(m_jobList, &JobListView::jobMenuRequested, this, &MainWindow::showJobMenu);
    connect(m_model, &JobListModel::logRequested, this, &MainWindow::showLog);
}

HelpViewer *MainWindow::helpViewer()
{
    if (!m_helpViewer) {
        m_helpViewer = new HelpViewer(this);
        m_helpViewer->setDocuments(helpDocuments());
    }
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

void MainWindow::saveWindowStates()
{
    saveWindowGeometry(this, kGeometryName);
    saveSplitterState(m_splitter, kSplitterName);
    // Windows that are not open were remembered when they were hidden.
    if (m_preferences->isVisible())
        m_preferences->rememberGeometry();
    if (m_helpViewer && m_helpViewer->isVisible())
        m_helpViewer->saveState();
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
    saveWindowStates(); // before the controller flushes the store
    m_delegate->applicationWillTerminate();
    // exit(), not quit(): quit() first asks every window to close, and an open alert refuses.
    QCoreApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    saveWindowStates();
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

void MainWindow::updateJobListShown()
{
    const QVariant jobs = QVariant::fromValue(m_delegate->taskArray());
    const bool any = NonEmptyCollectionValueTransformer().transformedValue(jobs).toBool();
    m_stack->setCurrentWidget(any ? static_cast<QWidget *>(m_jobList) : m_helpImage);
    m_cleanAction->setEnabled(any);
}

void MainWindow::updateLauncherEntry()
{
    if (platform::LauncherEntry *entry = platform::services().launcherEntry)
        entry->setProgress(m_queueProgress->fraction(), m_queueProgress->visible());
}

} // namespace tavrel
