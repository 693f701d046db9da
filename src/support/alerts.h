// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Modal alerts, silenceable warnings and the fatal-error alert, shown through the platform's
// AlertPresenter. A null QString button title means the button is absent. Without an installed
// presenter an alert is written to the system log and answered with the default button.
#include <QString>
#include <QStringList>

#include "platform/api/alertpresenter.h"

namespace tavrel {

// Answer codes: 1 default button, 0 alternate, -1 other. Closed without a button (the
// application quitting under it), an alert answers its "Cancel" button, else its default one.
// A message line of more than 4000 UTF-16 units is cut in its middle, and one of more than 60
// lines ends with an ellipsis at the 60th.
platform::AlertRequest alertRequest(const QString &title, const QString &message, const QString &defaultButton,
                                    const QString &alternateButton = QString(), const QString &otherButton = QString());
int alert(const QString &title, const QString &message, const QString &defaultButton,
          const QString &alternateButton = QString(), const QString &otherButton = QString());

// Shown unless silenced for this version; off the main thread it is forwarded to it and returns
// at once.
void alert_dontwarnagain_version(const QString &identifier, const QString &title, const QString &message,
                                 const QString &defaultButton, const QString &alternateButton);

// The settings key that silences that alert: "_<identifier>_<version>_asked".
QString dontWarnAgainVersionKey(const QString &identifier);
// Tests: the version string used in the per-version key; a null string restores the real one.
void setDontWarnAgainVersionOverride(const QString &version);

// Ends the process with status 1 after the alert, from any thread.
[[noreturn]] void alertfeedbackfatal(const QString &message, const QString &details);
// Its parts: the alert it shows (details cut to 400 UTF-16 units plus an omission note) and
// the alert with the problem-report mail on "Send to support", without ending the process.
platform::AlertRequest fatalErrorAlertRequest(const QString &message, const QString &details);
void runFatalErrorAlert(const QString &message, const QString &details);

} // namespace tavrel
