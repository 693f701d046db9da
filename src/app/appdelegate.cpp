#include "app/appdelegate.h"

#include "app/fileintake.h"
#include "app/settings.h"
#include "inspection/languages.h"
#include "inspection/runningtools.h"
#include "platform/api/services.h"
#include "support/alerts.h"
#include "support/fileops.h"
#include "support/format.h"
#include "support/ossorylib.h"
#include "support/supportlinks.h"

namespace tavrel {

AppDelegate::AppDelegate(QObject *parent)
    : QObject(parent)
    , m_movieFileTypes(defaultMovieFileTypes())
    , m_scanner(&MKVFileInfo::initWithURL)
    , m_destinationItems(fixedDestinationItems(kMainWindowChooseFolderTag))
    , m_preferencesItems(fixedDestinationItems(kPreferencesChooseFolderTag))
{
    // Before anything reads a setting; registering again is harmless.
    settings::registerAppDefaults();
    m_addButtonTitle = QStringLiteral("Start Conversion");
    updateWindowTitle();
}

AppDelegate::~AppDelegate()
{
    if (m_notifier && platform::services().notifier == m_notifier)
        m_notifier->setActivationHandler({});
    // Jobs go before the controller's members do: a job must never call back into a
    // half-destroyed host.
    m_taskArray.clear();
    const auto jobs = findChildren<ConversionJob *>(Qt::FindDirectChildrenOnly);
    qDeleteAll(jobs);
}

void AppDelegate::applicationDidFinishLaunching()
{
    if (!OssoryLib::shared())
        m_lib = std::make_unique<OssoryLib>();
    asl_NSLog_debug(QStringLiteral("Tavrel started"));
    allowRunningTools();

    m_movieFileTypes = defaultMovieFileTypes();
    setPreferredLanguages(preferredLanguages3Letter());

    installNotificationHandler();

    setFilePanelHeight(kFilePanelHiddenHeight);
    m_importSubtitleFiles.clear();
    m_importFiles.clear();

    setAddButtonTitle(QStringLiteral("Start Conversion"));

    const OssoryLib *lib = OssoryLib::shared();
    m_build = makeString(QStringLiteral("%@ %i"), localized(QStringLiteral("Build:")), lib ? lib->appVersion() : 0);
    m_version = makeString(QStringLiteral("%@ %@"), localized(QStringLiteral("Version:")), appVersionString());
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
    const int answer = alert(appName(),
                             QStringLiteral("Conversion is in progresss. Are you sure you want to quit?"),
                             QStringLiteral("Quit"), QStringLiteral("Cancel"));
    return answer == 1;
}

bool AppDelegate::windowShouldClose()
{
    const qsizetype movies = m_importFiles.size() + (isIntakeBusyBesidesPending() ? 1 : 0);
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
    // While quitting, removing a running job must not launch the next one only to kill it.
    m_terminating = true;
    while (!m_taskArray.isEmpty()) {
        ConversionJob *job = m_taskArray.first();
        job->remove();
        // A job that did not take itself out of the list would keep this loop going for ever.
        if (!m_taskArray.isEmpty() && m_taskArray.first() == job)
            removeJob(job);
    }
}

void AppDelegate::terminateApplication()
{
    if (m_terminating)
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

void AppDelegate::setPreferredLanguages(const QStringList &languages)
{
    if (m_preferredLanguages == languages)
        return;
    m_preferredLanguages = languages;
    Q_EMIT preferredLanguagesChanged();
}

} // namespace tavrel
