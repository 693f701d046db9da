// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/appdelegate.h"

#include "app/settings.h"
#include "inspection/languages.h"
#include "inspection/runningtools.h"
#include "platform/api/services.h"
#include "support/alerts.h"
#include "support/format.h"
#include "support/log.h"
#include "support/ossorylib.h"
#include "support/paths.h"
#include "support/stringextras.h"
#include "support/supportlinks.h"

namespace tavrel {

QString queueWindowTitle(const QString &appName, bool paused, qsizetype jobCount, qsizetype queuedCount)
{
    const QString jobs = jobCount > 0
        ? makeString(QStringLiteral(" [%li Job(s), %li Queued]"), qint64(jobCount), qint64(queuedCount))
        : QString();
    return makeString(QStringLiteral("%@%@%@"), appName, paused ? QStringLiteral(" (Paused)") : QStringLiteral(" "),
                      jobs);
}

AppDelegate::AppDelegate(QObject *parent) : QObject(parent), m_intake(m_queue, m_destinations)
{
    // Before anything reads a setting; registering again is harmless.
    settings::registerAppDefaults();
    forwardSignals();
    connect(&m_queue, &JobQueue::addHandled, &m_intake, &FileIntake::cancelAdd);
    connect(&m_queue, &JobQueue::terminationRequested, this, &AppDelegate::terminateApplication);
    connect(&m_intake, &FileIntake::becameIdle, this, &AppDelegate::quitIfIntakeWasAwaited);
    for (auto changed : {&JobQueue::taskArrayChanged, &JobQueue::jobStateChanged, &JobQueue::pausedChanged})
        connect(&m_queue, changed, this, &AppDelegate::updateWindowTitle);
    updateWindowTitle();
}

QString AppDelegate::addButtonTitle() const
{
    return paused() ? QStringLiteral("Add to Queue") : QStringLiteral("Start Conversion");
}

QString AppDelegate::toolbarImageName() const
{
    return paused() ? QStringLiteral("toolbar_start") : QStringLiteral("toolbar_pause");
}

QString AppDelegate::toolbarLabel() const
{
    return paused() ? QStringLiteral("Resume Queue") : QStringLiteral("Pause Queue");
}

void AppDelegate::updateWindowTitle()
{
    const QString title = queueWindowTitle(appName(), paused(), taskArray().size(), jobCountWithState(Queued));
    if (title == m_windowTitle)
        return;
    m_windowTitle = title;
    Q_EMIT windowTitleChanged();
}

AppDelegate::~AppDelegate()
{
    if (m_notifier && platform::services().notifier == m_notifier)
        m_notifier->setActivationHandler({});
    // Jobs made but never added go before the controller's members do: a job must never call
    // back into a half-destroyed host. The queue deletes its own.
    const auto jobs = findChildren<ConversionJob *>(Qt::FindDirectChildrenOnly);
    qDeleteAll(jobs);
}

void AppDelegate::forwardSignals()
{
    connect(&m_queue, &JobQueue::taskArrayChanged, this, &AppDelegate::taskArrayChanged);
    connect(&m_queue, &JobQueue::jobsAboutToBeInserted, this, &AppDelegate::jobsAboutToBeInserted);
    connect(&m_queue, &JobQueue::jobsInserted, this, &AppDelegate::jobsInserted);
    connect(&m_queue, &JobQueue::jobAboutToBeRemoved, this, &AppDelegate::jobAboutToBeRemoved);
    connect(&m_queue, &JobQueue::jobRemoved, this, &AppDelegate::jobRemoved);
    for (auto changed :
         {&AppDelegate::pausedChanged, &AppDelegate::addButtonTitleChanged, &AppDelegate::pauseLookChanged})
        connect(&m_queue, &JobQueue::pausedChanged, this, changed);

    connect(&m_intake, &FileIntake::panelShownChanged, this, &AppDelegate::filePanelHeightChanged);
    connect(&m_intake, &FileIntake::isScanningChanged, this, &AppDelegate::isScanningChanged);
    connect(&m_intake, &FileIntake::fileInfoChanged, this, &AppDelegate::fileInfoChanged);
    connect(&m_intake, &FileIntake::audioPopUpItemsChanged, this, &AppDelegate::audioPopUpItemsChanged);
    connect(&m_intake, &FileIntake::audioPopUpIndexChanged, this, &AppDelegate::audioPopUpIndexChanged);
    connect(&m_intake, &FileIntake::preferredLanguagesChanged, this, &AppDelegate::preferredLanguagesChanged);
    connect(&m_intake, &FileIntake::scanFinished, this, &AppDelegate::scanFinished);

    DestinationPopUp &main = m_destinations.mainPopUp();
    DestinationPopUp &preferences = m_destinations.preferencesPopUp();
    connect(&main, &DestinationPopUp::itemsChanged, this, &AppDelegate::destinationPopUpItemsChanged);
    connect(&main, &DestinationPopUp::indexChanged, this, &AppDelegate::destinationPopUpIndexChanged);
    connect(&preferences, &DestinationPopUp::itemsChanged, this, &AppDelegate::preferencesDestinationPopUpItemsChanged);
    connect(&preferences, &DestinationPopUp::indexChanged, this, &AppDelegate::preferencesDestinationPopUpIndexChanged);
}

void AppDelegate::applicationDidFinishLaunching()
{
    if (!OssoryLib::shared())
        m_lib = std::make_unique<OssoryLib>();
    asl_NSLog_debug(QStringLiteral("Tavrel started"));
    allowRunningTools();

    setPreferredLanguages(preferredLanguages3Letter());

    installNotificationHandler();

    m_intake.reset();

    const OssoryLib *lib = OssoryLib::shared();
    m_build = makeString(QStringLiteral("%@ %i"), QStringLiteral("Build:"), lib ? lib->appVersion() : 0);
    m_version = makeString(QStringLiteral("%@ %@"), QStringLiteral("Version:"), appVersionString());
    m_aboutURL = resourceURL(QStringLiteral("Credits.md"));
    m_historyURL = resourceURL(QStringLiteral("History.md"));
    m_faqURL = resourceURL(QStringLiteral("FAQ.md"));
    m_readmeURL = resourceURL(QStringLiteral("Read Me.md"));
    Q_EMIT aboutInfoChanged();

    launchCheck();
    updateWindowTitle();
}

void AppDelegate::installNotificationHandler()
{
    m_notifier = platform::services().notifier;
    if (m_notifier)
        m_notifier->setActivationHandler([this](const QVariantMap &userInfo) { didActivateNotification(userInfo); });
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    Q_UNUSED(hasVisibleWindows)
    Q_EMIT showMainWindow();
    return false;
}

void AppDelegate::openMainWindow()
{
    applicationShouldHandleReopen(true);
}

void AppDelegate::windowWillClose()
{
    settings::synchronize();
}

bool AppDelegate::applicationShouldTerminate()
{
    if (jobCountWithState(Converting) == 0)
        return true;
    const int answer = alert(appName(), QStringLiteral("Conversion is in progresss. Are you sure you want to quit?"),
                             QStringLiteral("Quit"), QStringLiteral("Cancel"));
    return answer == 1;
}

bool AppDelegate::windowShouldClose()
{
    const qsizetype movies = m_intake.importFiles().size() + (m_intake.isIntakeBusyBesidesPending() ? 1 : 0);
    const QString message = discardedWorkMessage(jobCountWithState(Converting), jobCountWithState(Paused),
                                                 jobCountWithState(Queued), movies);
    if (message.isEmpty())
        return true;
    return alert(appName(), message, QStringLiteral("Quit"), QStringLiteral("Cancel")) == 1;
}

void AppDelegate::applicationWillTerminate()
{
    // A scan must not keep the process waiting for its tools, nor show its result.
    terminateRunningTools();
    settings::synchronize();
    m_queue.removeAllForTermination();
}

void AppDelegate::terminateApplication()
{
    if (m_queue.isTerminating())
        return;
    // The batch is not over while movies are still being read or wait in the file panel.
    if (isIntakeBusy()) {
        m_quitWhenIntakeIdle = true;
        return;
    }
    if (!applicationShouldTerminate())
        return;
    applicationWillTerminate();
    Q_EMIT quitRequested();
}

void AppDelegate::quitIfIntakeWasAwaited()
{
    // A quit that QuitAfterConversion asked for while movies were still coming in.
    if (m_quitWhenIntakeIdle) {
        m_quitWhenIntakeIdle = false;
        m_queue.quitIfDone();
    }
}

void AppDelegate::didActivateNotification(const QVariantMap &userInfo)
{
    const QString path = userInfo.value(QStringLiteral("path")).toString();
    if (path.isEmpty())
        return;
    if (platform::Workspace *workspace = platform::services().workspace)
        workspace->revealFiles({path});
}

void AppDelegate::openURL(int tag)
{
    // Subject and body are escaped as query components, so a "&" or "#" in the machine or
    // system name cannot cut the mail short; an empty link (unknown tag) opens nothing.
    openControllerLink(tag);
}

bool AppDelegate::isRateable() const
{
    return settings::defaultInt(makeString(QStringLiteral("%@_usages"), appVersionString())) > 10;
}

} // namespace tavrel
