// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application controller: runs the application's life from launch to quit and is the main
// window's view model: the window binds to its properties and calls its operations, and holds
// no widget reference itself. The work is done by the objects it owns, to which its members
// forward: the job queue, the file intake and the destination folders. The window's look of
// the queue (titles, the pause button's image, the file panel's height) is made here.
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

#include "app/destinationfolders.h"
#include "app/fileintake.h"
#include "app/jobqueue.h"
#include "app/popupitems.h"
#include "conversion/conversionjob.h"
#include "conversion/jobhost.h"
#include "inspection/mkvfileinfo.h"

namespace tavrel {

class OssoryLib;
namespace platform {
class UserNotifier;
}

// The main window's title: the application name, " (Paused)" or a single space, and
// " [N Job(s), M Queued]" when there are jobs.
QString queueWindowTitle(const QString &appName, bool paused, qsizetype jobCount, qsizetype queuedCount);

class AppDelegate final : public QObject
{
    Q_OBJECT
    // Queue
    Q_PROPERTY(QList<tavrel::ConversionJob *> taskArray READ taskArray NOTIFY taskArrayChanged)
    Q_PROPERTY(bool paused READ paused NOTIFY pausedChanged)
    Q_PROPERTY(QString addButtonTitle READ addButtonTitle NOTIFY addButtonTitleChanged)
    Q_PROPERTY(QString toolbarImageName READ toolbarImageName NOTIFY pauseLookChanged)
    Q_PROPERTY(QString toolbarLabel READ toolbarLabel NOTIFY pauseLookChanged)
    Q_PROPERTY(QString menuItemTitle READ menuItemTitle NOTIFY pauseLookChanged)
    Q_PROPERTY(QString windowTitle READ windowTitle NOTIFY windowTitleChanged)
    // File panel
    Q_PROPERTY(int filePanelHeight READ filePanelHeight NOTIFY filePanelHeightChanged)
    Q_PROPERTY(bool isScanning READ isScanning NOTIFY isScanningChanged)
    Q_PROPERTY(QString fileName READ fileName NOTIFY fileInfoChanged)
    Q_PROPERTY(QString informationString READ informationString NOTIFY fileInfoChanged)
    Q_PROPERTY(QStringList audioPopUpItems READ audioPopUpItems NOTIFY audioPopUpItemsChanged)
    Q_PROPERTY(int audioPopUpIndex READ audioPopUpIndex WRITE setAudioPopUpIndex NOTIFY audioPopUpIndexChanged)
    Q_PROPERTY(
        QList<tavrel::PopUpItem> destinationPopUpItems READ destinationPopUpItems NOTIFY destinationPopUpItemsChanged)
    Q_PROPERTY(int destinationPopUpIndex READ destinationPopUpIndex WRITE setDestinationPopUpIndex NOTIFY
                   destinationPopUpIndexChanged)
    // Preferences window
    Q_PROPERTY(QList<tavrel::PopUpItem> preferencesDestinationPopUpItems READ preferencesDestinationPopUpItems NOTIFY
                   preferencesDestinationPopUpItemsChanged)
    Q_PROPERTY(int preferencesDestinationPopUpIndex READ preferencesDestinationPopUpIndex WRITE
                   setPreferencesDestinationPopUpIndex NOTIFY preferencesDestinationPopUpIndexChanged)
    // About and help
    Q_PROPERTY(QString version READ version NOTIFY aboutInfoChanged)
    Q_PROPERTY(QString build READ build NOTIFY aboutInfoChanged)
    Q_PROPERTY(QUrl aboutURL READ aboutURL NOTIFY aboutInfoChanged)
    Q_PROPERTY(QUrl historyURL READ historyURL NOTIFY aboutInfoChanged)
    Q_PROPERTY(QUrl faqURL READ faqURL NOTIFY aboutInfoChanged)
    Q_PROPERTY(QUrl readmeURL READ readmeURL NOTIFY aboutInfoChanged)
    Q_PROPERTY(bool isRateable READ isRateable)
    Q_PROPERTY(QStringList preferredLanguages READ preferredLanguages WRITE setPreferredLanguages NOTIFY
                   preferredLanguagesChanged)

public:
    // The file panel's heights (the layout constant of the panel's top constraint).
    static constexpr int kFilePanelShownHeight = 117;
    static constexpr int kFilePanelHiddenHeight = 0;

    using Scanner = FileIntake::Scanner;

    // Registers the settings defaults (once per process) before anything reads a setting.
    explicit AppDelegate(QObject *parent = nullptr);
    ~AppDelegate() override;
    Q_DISABLE_COPY_MOVE(AppDelegate)

    // ---- Queue ----
    const MutableConversionJobArray &taskArray() const { return m_queue.taskArray(); }
    bool paused() const { return m_queue.paused(); }
    // What the pause button and the add button show: the queue runs, or is paused.
    QString addButtonTitle() const;
    QString toolbarImageName() const;
    QString toolbarLabel() const;
    QString menuItemTitle() const { return toolbarLabel(); }
    QString windowTitle() const { return m_windowTitle; }

    // Takes ownership of the job. Drops it with an alert when its destination cannot be written.
    void addJob(ConversionJob *job) { m_queue.addJob(job); }
    void cleanClicked() { m_queue.cleanClicked(); }
    qint64 jobCountWithState(qint32 state) const { return m_queue.jobCountWithState(state); }
    void startNextJobInQueue() { m_queue.startNextJobInQueue(); }
    // The window's pause button (the clicked item as sender).
    void pauseContinueClicked(QObject *sender) { m_queue.pauseContinueClicked(sender); }
    // QuitAfterConversion's quit; waits for the movies still coming in.
    void terminateApplication();
    // An unattended batch: a job the free-space checks refuse ends Failed instead of waiting.
    void setRefusalEndsJob(bool ends) { m_queue.setRefusalEndsJob(ends); }

    // ---- Lifecycle ----
    void applicationDidFinishLaunching();
    bool applicationShouldHandleReopen(bool hasVisibleWindows); // emits showMainWindow; answers false
    void openMainWindow();
    void windowWillClose();
    bool applicationShouldTerminate(); // asks only while a job is Converting
    // Closing the main window quits: asks first when jobs or movies would be discarded.
    bool windowShouldClose();
    // Movies not yet added: waiting to be read, being read, or shown in the file panel.
    bool isIntakeBusy() const { return m_intake.isIntakeBusy(); }
    void applicationWillTerminate(); // flushes settings, then removes every job from the front
    void didActivateNotification(const QVariantMap &userInfo);
    void openURL(int tag);
    QString version() const { return m_version; }
    QString build() const { return m_build; }
    QUrl aboutURL() const { return m_aboutURL; }
    QUrl historyURL() const { return m_historyURL; }
    QUrl faqURL() const { return m_faqURL; }
    QUrl readmeURL() const { return m_readmeURL; }
    bool isRateable() const;
    QStringList preferredLanguages() const { return m_intake.preferredLanguages(); }
    void setPreferredLanguages(const QStringList &languages) { m_intake.setPreferredLanguages(languages); }

    // ---- File intake ----
    void application_openFiles(const QStringList &paths) { m_intake.application_openFiles(paths); }
    bool draggingEntered(const QStringList &paths) const { return m_intake.draggingEntered(paths); } // true: copy
    bool performDragOperation(const QStringList &paths) { return m_intake.performDragOperation(paths); }
    void addClicked() { m_intake.addClicked(); }
    void addNextFile() { m_intake.addNextFile(); }
    void addToQueue() { m_intake.addToQueue(); }
    void cancelAdd() { m_intake.cancelAdd(); }
    std::optional<QString> bestLanguage() const { return m_intake.bestLanguage(); }

    int filePanelHeight() const { return m_intake.isPanelShown() ? kFilePanelShownHeight : kFilePanelHiddenHeight; }
    bool isScanning() const { return m_intake.isScanning(); }
    const std::shared_ptr<MKVFileInfo> &fileInfo() const { return m_intake.fileInfo(); }
    QString fileName() const { return m_intake.fileName(); }
    QString informationString() const { return m_intake.informationString(); }
    // What the conversion will re-encode or leave out, one line each; empty when nothing.
    QString conversionNotes() const { return m_intake.conversionNotes(); }
    QStringList audioPopUpItems() const { return m_intake.audioPopUpItems(); }
    int audioPopUpIndex() const { return m_intake.audioPopUpIndex(); }
    void setAudioPopUpIndex(int index) { m_intake.setAudioPopUpIndex(index); }
    QStringList movieFileTypes() const { return m_intake.movieFileTypes(); }
    QStringList importFiles() const { return m_intake.importFiles(); }
    QHash<QString, QString> importSubtitleFiles() const { return m_intake.importSubtitleFiles(); }

    void setScanner(Scanner scanner)
    {
        m_intake.setScanner(std::move(scanner));
    } // default: MKVFileInfo::scan with the ReencodeVideo setting

    // ---- Destination folders ----
    void chooseNewDestination(int tag) { m_destinations.chooseNewDestination(tag); } // 1 main window, 0 preferences
    void rebuildDestinationPopUp() { m_destinations.rebuildDestinationPopUp(); }
    void rebuildPreferencesDestinationPopUp() { m_destinations.rebuildPreferencesDestinationPopUp(); }
    void launchCheck() { m_destinations.launchCheck(); }
    // Takes a remembered folder (0-based) out of both lists; jobs already writing there go on.
    void forgetDestination(int folder) { m_destinations.forgetDestination(folder); }
    PopUpItems destinationPopUpItems() const { return m_destinations.mainPopUp().items(); }
    int destinationPopUpIndex() const { return m_destinations.mainPopUp().index(); }
    // Selecting the choose-folder item runs chooseNewDestination instead of selecting it.
    void setDestinationPopUpIndex(int index) { m_destinations.select(m_destinations.mainPopUp(), index); }
    PopUpItems preferencesDestinationPopUpItems() const { return m_destinations.preferencesPopUp().items(); }
    int preferencesDestinationPopUpIndex() const { return m_destinations.preferencesPopUp().index(); }
    // Also writes DefaultDestination when a real item is chosen.
    void setPreferencesDestinationPopUpIndex(int index)
    {
        m_destinations.select(m_destinations.preferencesPopUp(), index);
    }

    // The objects that do the work.
    JobQueue &queue() { return m_queue; }
    FileIntake &intake() { return m_intake; }
    DestinationFolders &destinations() { return m_destinations; }

Q_SIGNALS:
    // The job list: whole-list change plus row-level changes for a list model.
    void taskArrayChanged();
    void jobsAboutToBeInserted(int row);
    void jobsInserted(int row);
    void jobAboutToBeRemoved(int row);
    void jobRemoved(int row);

    void pausedChanged();
    void addButtonTitleChanged();
    void pauseLookChanged();
    void windowTitleChanged();
    void filePanelHeightChanged();
    void isScanningChanged();
    void fileInfoChanged();
    void audioPopUpItemsChanged();
    void audioPopUpIndexChanged();
    void destinationPopUpItemsChanged();
    void destinationPopUpIndexChanged();
    void preferencesDestinationPopUpItemsChanged();
    void preferencesDestinationPopUpIndexChanged();
    void aboutInfoChanged();
    void preferredLanguagesChanged();

    // A scan result has been shown (after the audio choice, the pop-up rebuild and AutoAdd).
    void scanFinished();
    // Bring the main window back (reopen, openMainWindow).
    void showMainWindow();
    // The quit handling is done; the application may quit now.
    void quitRequested();

private:
    void forwardSignals();
    void installNotificationHandler();
    void quitIfIntakeWasAwaited();
    void updateWindowTitle();

    // Declared in the order they depend on one another; jobs go with the queue, first.
    DestinationFolders m_destinations;
    JobQueue m_queue;
    FileIntake m_intake;
    bool m_quitWhenIntakeIdle = false; // QuitAfterConversion waits for the movies still coming in

    // Lifecycle
    std::unique_ptr<OssoryLib> m_lib;
    QString m_version;
    QString m_build;
    QUrl m_aboutURL;
    QUrl m_historyURL;
    QUrl m_faqURL;
    QUrl m_readmeURL;
    platform::UserNotifier *m_notifier = nullptr; // the notifier our activation handler is on
    QString m_windowTitle;
};

} // namespace tavrel
