// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/format.h"
#include "support/alerts.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdlib>

#include "platform/api/services.h"
#include "support/dispatch.h"
#include "support/log.h"
#include "support/ossorylib.h"
#include "support/settingsstore.h"
#include "support/stringextras.h"
#include "support/strings.h"
#include "support/supportlinks.h"

namespace tavrel {
namespace {

constexpr qsizetype kFatalDetailsLimit = 400;
// Far beyond any message of the program's own; a name from a damaged file can be megabytes,
// which the alert would lay out for a minute and show taller than the screen.
constexpr qsizetype kLongestAlertLine = 4000;
constexpr qsizetype kMostAlertLines = 60;

QString &versionOverride()
{
    static QString version; // touched on the main thread only
    return version;
}

bool onMainThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

platform::AlertAnswer present(const platform::AlertRequest &request)
{
    platform::AlertPresenter *presenter = platform::services().alerts;
    if (!presenter) {
        // No window system to ask: keep a trace and take the default button.
        asl_NSLog(3, QStringLiteral("%@: %@"), request.title, request.message);
        return platform::AlertAnswer{1};
    }
    presenter->activateApplication();
    return presenter->runModal(request);
}

QString boundedAlertMessage(const QString &message)
{
    if (message.size() <= kLongestAlertLine && !message.contains(u'\n'))
        return message;
    QStringList shown = message.split(u'\n');
    if (shown.size() > kMostAlertLines) {
        shown.resize(kMostAlertLines - 1);
        shown.append(QStringLiteral("\u2026"));
    }
    for (QString &line : shown)
        line = elidedName(line, kLongestAlertLine);
    return shown.join(u'\n');
}

// An alert that goes unanswered takes its "Cancel" button, else its default one.
int closedAnswer(const platform::AlertRequest &request)
{
    const QString cancel = QStringLiteral("Cancel");
    if (request.alternateButton == cancel)
        return 0;
    if (request.otherButton == cancel)
        return -1;
    return 1;
}

void silenceableAlert(const QString &key, const QString &title, const QString &message, const QString &defaultButton,
                      const QString &alternateButton)
{
    if (settings::defaultInt(key) != 0)
        return;
    if (alert(title, message, defaultButton, alternateButton) != 1)
        settings::setDefaultInt(key, 1);
}

} // namespace

platform::AlertRequest alertRequest(const QString &title, const QString &message, const QString &defaultButton,
                                    const QString &alternateButton, const QString &otherButton)
{
    platform::AlertRequest request;
    request.title = title;
    request.message = boundedAlertMessage(message);
    request.defaultButton = defaultButton;
    request.alternateButton = alternateButton;
    request.otherButton = otherButton;
    request.closedAnswer = closedAnswer(request);
    return request;
}

int alert(const QString &title, const QString &message, const QString &defaultButton, const QString &alternateButton,
          const QString &otherButton)
{
    return present(alertRequest(title, message, defaultButton, alternateButton, otherButton)).code;
}

QString dontWarnAgainVersionKey(const QString &identifier)
{
    const QString version = versionOverride().isNull() ? appVersionString() : versionOverride();
    return makeString(QStringLiteral("_%@_%@_asked"), identifier, version);
}

void setDontWarnAgainVersionOverride(const QString &version)
{
    versionOverride() = version;
}

void alert_dontwarnagain_version(const QString &identifier, const QString &title, const QString &message,
                                 const QString &defaultButton, const QString &alternateButton)
{
    // Runs on the main thread at once, or is queued to it so that the caller does not wait.
    auto run = [=] {
        silenceableAlert(dontWarnAgainVersionKey(identifier), title, message, defaultButton, alternateButton);
    };
    if (onMainThread())
        run();
    else
        dispatch_async_main(run);
}

platform::AlertRequest fatalErrorAlertRequest(const QString &message, const QString &details)
{
    QString shown = details;
    if (details.size() > kFatalDetailsLimit)
        shown = clamp(details, kFatalDetailsLimit) + QStringLiteral(" \u2026\n(Remaining message omitted)");
    platform::AlertRequest request;
    request.title = QStringLiteral("Fatal Error");
    request.message = makeString(QStringLiteral("%@\n\n You can contact our support with detailed information so "
                                                "that we can fix this problem.\n\nInformation: %@"),
                                 message, shown);
    request.defaultButton = QStringLiteral("Send to support");
    request.alternateButton = QStringLiteral("Quit");
    request.closedAnswer = 0; // the report is mailed on the button alone
    return request;
}

void runFatalErrorAlert(const QString &message, const QString &details)
{
    if (present(fatalErrorAlertRequest(message, details)).code == 1)
        openFatalErrorReport(details); // the whole details, not the shortened ones
}

void alertfeedbackfatal(const QString &message, const QString &details)
{
    if (onMainThread())
        runFatalErrorAlert(message, details);
    else
        dispatch_sync_main([&] { runFatalErrorAlert(message, details); });
    std::exit(1);
}

} // namespace tavrel
