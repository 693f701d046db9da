// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window, bound to the controller and to nothing else: toolbar and menus, the file
// panel, the job list (or the drop picture while it is empty) above the selected job's details,
// drops of files on the whole window and the title. Closing it quits the application (asking
// first while a job converts). Its size, place and splitter come back at the next launch.
#include <QList>
#include <QMainWindow>
#include <QPointer>

class QAction;
class QMenu;
class QMimeData;
class QSplitter;
class QStackedWidget;

namespace tavrel {

class AboutDialog;
class AppDelegate;
class ConversionJob;
class FilePanel;
class HelpImageView;
struct HelpDocument;
class HelpViewer;
class JobDelegate;
class JobDetailsPane;
class JobListModel;
class JobListView;
class JobLogViewer;
class PreferencesWindow;
class QueueProgress;

class MainWindow final : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(AppDelegate *delegate, QWidget *parent = nullptr);
    ~MainWindow() override;
    Q_DISABLE_COPY_MOVE(MainWindow)

    PreferencesWindow *preferencesWindow() const { return m_preferences; }
    HelpViewer *helpViewer();
    JobListModel *jobModel() const { return m_model; }
    JobListView *jobList() const { return m_jobList; }
    FilePanel *filePanel() const { return m_filePanel; }
    JobDetailsPane *jobDetails() const { return m_details; }
    QSplitter *jobSplitter() const { return m_splitter; }

    QAction *addFilesAction() const { return m_addFilesAction; }
    QAction *pauseToolbarAction() const { return m_pauseToolbarAction; }
    QAction *pauseMenuAction() const { return m_pauseMenuAction; }
    QAction *cleanAction() const { return m_cleanAction; }
    QAction *removeJobAction() const { return m_removeJobAction; }

    // The quit path: the controller's confirmation, then its termination, then the event loop
    // ends. False when the user kept the application running.
    bool requestQuit();
    // Removes every job and ends the event loops, whatever window is open.
    void quitNow();

    void showPreferences();
    void showAbout();
    void showHelpDocument(const QUrl &url);
    void bringToFront();

    // The context menu of a job's row, holding the actions that apply to it now.
    QMenu *createJobMenu(ConversionJob *job, QWidget *parent);
    // The job's log in its own window (one per job, raised when already open).
    JobLogViewer *showLog(ConversionJob *job);
    // Removes the jobs, asking first when one of them is converting or paused. False when the
    // user kept them.
    bool removeJobs(const QList<ConversionJob *> &jobs);
    // Where the window, its splitter and the other windows are, for the next launch.
    void saveWindowStates();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void connectJobList();
    void updateTitle();
    void updatePauseLook();
    void updateJobListShown();
    void updateSelectionActions();
    void runNaturalAction(ConversionJob *job);
    void showJobMenu(ConversionJob *job, const QPoint &globalPosition);
    void updateLauncherEntry();
    QList<HelpDocument> helpDocuments() const;

    AppDelegate *m_delegate;
    FilePanel *m_filePanel = nullptr;
    QStackedWidget *m_stack = nullptr;
    QSplitter *m_splitter = nullptr;
    HelpImageView *m_helpImage = nullptr;
    JobListView *m_jobList = nullptr;
    JobListModel *m_model = nullptr;
    JobDelegate *m_jobDelegate = nullptr;
    JobDetailsPane *m_details = nullptr;
    PreferencesWindow *m_preferences = nullptr;
    QueueProgress *m_queueProgress = nullptr;
    QPointer<HelpViewer> m_helpViewer;
    QPointer<AboutDialog> m_about;
    QList<QPointer<JobLogViewer>> m_logViewers;

    QAction *m_addFilesAction = nullptr;
    QAction *m_pauseToolbarAction = nullptr;
    QAction *m_pauseMenuAction = nullptr;
    QAction *m_cleanAction = nullptr;
    QAction *m_removeJobAction = nullptr;
    QAction *m_preferencesAction = nullptr;
    QAction *m_mainWindowAction = nullptr;
    QAction *m_closeAction = nullptr;
    QAction *m_quitAction = nullptr;
    QAction *m_aboutAction = nullptr;
    bool m_quitting = false;
};

// Local file paths of a drag's URLs, in their order.
QStringList droppedPaths(const QMimeData *mime);

} // namespace tavrel
