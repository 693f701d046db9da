#pragma once
// The main window, bound to the controller and to nothing else: toolbar and menus, the file
// panel, the job list (or the drop picture while it is empty), drops of files on the whole
// window and the title. Closing it quits the application (asking first while a job converts).
#include <QMainWindow>
#include <QPointer>

class QAction;
class QListView;
class QMimeData;
class QStackedWidget;

namespace tavrel {

class AboutDialog;
class AppDelegate;
class FilePanel;
class HelpImageView;
class HelpViewer;
class JobDelegate;
class JobListModel;
class PreferencesWindow;

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
    QListView *jobList() const { return m_jobList; }
    FilePanel *filePanel() const { return m_filePanel; }

    QAction *addFilesAction() const { return m_addFilesAction; }
    QAction *pauseToolbarAction() const { return m_pauseToolbarAction; }
    QAction *pauseMenuAction() const { return m_pauseMenuAction; }
    QAction *cleanAction() const { return m_cleanAction; }

    // The quit path: the controller's confirmation, then its termination, then the event loop
    // ends. False when the user kept the application running.
    bool requestQuit();
    // Removes every job and ends the event loops, whatever window is open.
    void quitNow();

    void showPreferences();
    void showAbout();
    void showHelpDocument(const QUrl &url);
    void bringToFront();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void updateTitle();
    void updatePauseLook();
    void updateJobListShown();
    void updateRemoveAction();
    void removeSelectedJob();

    AppDelegate *m_delegate;
    FilePanel *m_filePanel = nullptr;
    QStackedWidget *m_stack = nullptr;
    HelpImageView *m_helpImage = nullptr;
    QListView *m_jobList = nullptr;
    JobListModel *m_model = nullptr;
    JobDelegate *m_jobDelegate = nullptr;
    PreferencesWindow *m_preferences = nullptr;
    QPointer<HelpViewer> m_helpViewer;
    QPointer<AboutDialog> m_about;

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
