#pragma once
// The application controller: owns the job queue, takes movies and subtitle files in, keeps the
// destination folders and runs the application's life from launch to quit. It is the main
// window's view model: the window binds to its properties and calls its operations, and holds
// no widget reference itself. Jobs call it back through JobHost.
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

#include "app/popupitems.h"
#include "conversion/conversionjob.h"
#include "conversion/jobhost.h"
#include "inspection/mkvfileinfo.h"

namespace tavrel {

class OssoryLib;
namespace platform { class UserNotifier; }

using MutableConversionJobArray = QList<ConversionJob *>;

class AppDelegate final : public QObject, public JobHost
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
    Q_PROPERTY(QList<tavrel::PopUpItem> destinationPopUpItems READ destinationPopUpItems NOTIFY destinationPopUpItemsChanged)
    Q_PROPERTY(int destinationPopUpIndex READ destinationPopUpIndex WRITE setDestinationPopUpIndex NOTIFY destinationPopUpIndexChanged)
    // Preferences window
    Q_PROPERTY(QList<tavrel::PopUpItem> preferencesDestinationPopUpItems READ preferencesDestinationPopUpItems NOTIFY preferencesDestinationPopUpItemsChanged)
    Q_PROPERTY(int preferencesDestinationPopUpIndex READ preferencesDestinationPopUpIndex WRITE setPreferencesDestinationPopUpIndex NOTIFY preferencesDestinationPopUpIndexChanged)
    // About and help
    Q_PROPERTY(QString version READ version NOTIFY aboutInfoChanged)
    Q_PROPERTY(QString build READ build NOTIFY aboutInfoChanged)
    Q_PROPERTY(QUrl aboutURL READ aboutURL NOTIFY aboutInfoChanged)
    Q_PROPERTY(QUrl historyURL READ historyURL NOTIFY aboutInfoChanged)
    Q_PROPERTY(QUrl faqURL READ faqURL NOTIFY aboutInfoChanged)
    Q_PROPERTY(QUrl readmeURL READ readmeURL NOTIFY aboutInfoChanged)
    Q_PROPERTY(bool isRateable READ isRateable)
    Q_PROPERTY(QStringList preferredLanguages READ preferredLanguages WRITE setPreferredLanguages NOTIFY preferredLanguagesChanged)

public:
    // The file panel's heights (the layout constant of the panel's top constraint).
    static constexpr int kFilePanelShownHeight = 117;
    static constexpr int kFilePanelHiddenHeight = 0;

    // Builds the record of one movie; blocks (runs the tools). Replaceable for tests.
    using Scanner = std::function<std::shared_ptr<MKVFileInfo>(const QUrl &url)>;

    // Registers the settings defaults (once per process) before anything reads a setting.
    explicit AppDelegate(QObject *parent = nullptr);
    ~AppDelegate() override;
    Q_DISABLE_COPY_MOVE(AppDelegate)

    // ---- Queue ----
    const MutableConversionJobArray &taskArray() const { return m_taskArray; }
    bool paused() const { return m_paused; }
    QString addButtonTitle() const { return m_addButtonTitle; }
    QString toolbarImageName() const { return m_toolbarImageName; }
    QString toolbarLabel() const { return m_toolbarLabel; }
    QString menuItemTitle() const { return m_menuItemTitle; }
    QString windowTitle() const { return m_windowTitle; }

    // Takes ownership of the job. Drops it with an alert when its destination cannot be written.
    void addJob(ConversionJob *job);
    void cleanClicked();
    void updateWindowTitle();

    // JobHost (also called by the window: pauseContinueClicked with the clicked item as sender).
    qint64 jobCountWithState(qint32 state) const override;
    void startNextJobInQueue() override;
    void removeJob(ConversionJob *job) override;
    void pauseContinueClicked(QObject *sender) override; // nullptr: no sender
    void terminateApplication() override;
    bool isSourceInUse(const ConversionJob *job) const override;

    // ---- Lifecycle ----
    void applicationDidFinishLaunching();
    bool applicationShouldHandleReopen(bool hasVisibleWindows); // emits showMainWindow; answers false
    void openMainWindow();
    void windowWillClose();
    bool applicationShouldTerminate(); // asks only while a job is Converting
    // Closing the main window quits: asks first when jobs or movies would be discarded.
    bool windowShouldClose();
    // Movies not yet added: waiting to be read, being read, or shown in the file panel.
    bool isIntakeBusy() const;
    void applicationWillTerminate();   // flushes settings, then removes every job from the front
    void didActivateNotification(const QVariantMap &userInfo);
    void openURL(int tag);
    QString version() const { return m_version; }
    QString build() const { return m_build; }
    QUrl aboutURL() const { return m_aboutURL; }
    QUrl historyURL() const { return m_historyURL; }
    QUrl faqURL() const { return m_faqURL; }
    QUrl readmeURL() const { return m_readmeURL; }
    bool isRateable() const;
    QStringList preferredLanguages() const { return m_preferredLanguages; }
    void setPreferredLanguages(const QStringList &languages);

    // ---- File intake ----
    void application_openFiles(const QStringList &paths);
    bool draggingEntered(const QStringList &paths) const; // true: copy, false: refuse
    bool performDragOperation(const QStringList &paths);
    void addClicked();
    void addNextFile();
    void addToQueue();
    void cancelAdd();
    std::optional<QString> bestLanguage() const;

    int filePanelHeight() const { return m_filePanelHeight; }
    bool isScanning() const { return m_isScanning; }
    const std::shared_ptr<MKVFileInfo> &fileInfo() const { return m_fileInfo; }
    QString fileName() const;
    QString informationString() const;
    QStringList audioPopUpItems() const { return m_audioPopUpItems; }
    int audioPopUpIndex() const { return m_audioPopUpIndex; }
    void setAudioPopUpIndex(int index);
    QStringList movieFileTypes() const { return m_movieFileTypes; }
    QStringList importFiles() const { return m_importFiles; }
    QHash<QString, QString> importSubtitleFiles() const { return m_importSubtitleFiles; }

    void setScanner(Scanner scanner); // default: MKVFileInfo::initWithURL

    // ---- Destination folders ----
    void chooseNewDestination(int tag); // 1 main window, 0 preferences
    void rebuildDestinationPopUp();
    void rebuildPreferencesDestinationPopUp();
    void launchCheck();
    // Takes a remembered folder (0-based) out of both lists; jobs already writing there go on.
    void forgetDestination(int folder);
    PopUpItems destinationPopUpItems() const { return m_destinationItems; }
    int destinationPopUpIndex() const { return m_destinationIndex; }
    // Selecting the choose-folder item runs chooseNewDestination instead of selecting it.
    void setDestinationPopUpIndex(int index);
    PopUpItems preferencesDestinationPopUpItems() const { return m_preferencesItems; }
    int preferencesDestinationPopUpIndex() const { return m_preferencesIndex; }
    // Also writes DefaultDestination when a real item is chosen.
    void setPreferencesDestinationPopUpIndex(int index);

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
    void setPaused(bool paused);
    void setAddButtonTitle(const QString &title);
    void setPauseLook(bool pausedLook);
    void setFilePanelHeight(int height);
    void setIsScanning(bool scanning);
    void setFileInfo(std::shared_ptr<MKVFileInfo> info);
    void scanEnded(const std::shared_ptr<MKVFileInfo> &info, const QString &subtitlePath);
    void reportToolFailure(const MKVFileInfo &info);
    void selectBestAudioTrack();
    void registerSubtitle(const QString &path);
    bool isOutputTaken(const QString &path) const;
    bool isOutputInUse(const QString &path) const; // the destination of a listed, unfinished job
    bool isListedSource(const QString &path) const; // the source of a listed job
    bool isIntakeBusyBesidesPending() const;       // a movie is being read or shown in the panel
    void setDestinationItems(const PopUpItems &items, int index);
    void setPreferencesItems(const PopUpItems &items, int index);
    std::optional<QString> resolveDestinationFolder(int folder);
    qsizetype destinationFolderCount() const;
    PopUpItems withFolderPaths(PopUpItems items) const;
    void installNotificationHandler();

    // Queue
    MutableConversionJobArray m_taskArray;
    bool m_paused = false;
    bool m_terminating = false; // applicationWillTerminate has begun
    QString m_addButtonTitle;
    QString m_toolbarImageName = QStringLiteral("toolbar_pause");
    QString m_toolbarLabel = QStringLiteral("Pause Queue");
    QString m_menuItemTitle = QStringLiteral("Pause Queue");
    QString m_windowTitle;

    // File intake
    QStringList m_movieFileTypes;
    QStringList m_importFiles;
    QHash<QString, QString> m_importSubtitleFiles;
    std::shared_ptr<MKVFileInfo> m_fileInfo;
    bool m_isScanning = false;
    int m_filePanelHeight = kFilePanelHiddenHeight;
    QStringList m_audioPopUpItems;
    int m_audioPopUpIndex = -1;
    Scanner m_scanner;
    bool m_scanCancelled = false;      // the movie being read was cancelled
    bool m_quitWhenIntakeIdle = false; // QuitAfterConversion waits for the movies still coming in

    // Destination folders
    PopUpItems m_destinationItems;
    int m_destinationIndex = 0;
    PopUpItems m_preferencesItems;
    int m_preferencesIndex = 0;

    // Lifecycle
    std::unique_ptr<OssoryLib> m_lib;
    QStringList m_preferredLanguages;
    QString m_version;
    QString m_build;
    QUrl m_aboutURL;
    QUrl m_historyURL;
    QUrl m_faqURL;
    QUrl m_readmeURL;
    platform::UserNotifier *m_notifier = nullptr; // the notifier our activation handler is on
};

} // namespace tavrel
