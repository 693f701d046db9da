#pragma once
// Modal alerts, silenceable warnings and the fatal-error alert, shown through the platform's
// AlertPresenter. A null QString button title means the button is absent.
#include <QString>
#include <QStringList>

namespace tavrel {

int alert(const QString &title, const QString &message, const QString &defaultButton,
          const QString &alternateButton = QString(), const QString &otherButton = QString());
int alert_apptitled(const QString &message, const QString &defaultButton,
                    const QString &alternateButton = QString(), const QString &otherButton = QString());
int input(const QString &prompt, const QStringList &buttons, QString *text);

// Shown unless silenced; off the main thread they are forwarded to it and return at once.
void alert_dontwarnagain_version(const QString &identifier, const QString &title, const QString &message,
                                 const QString &defaultButton, const QString &alternateButton);
void alert_dontwarnagain_ever(const QString &identifier, const QString &title, const QString &message,
                              const QString &defaultButton, const QString &alternateButton);

[[noreturn]] void alertfeedbackfatal(const QString &message, const QString &details);

} // namespace tavrel
