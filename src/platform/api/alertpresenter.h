// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

namespace tavrel::platform {

// One modal alert. Absent (null) button titles are not shown. Answer codes follow the classic
// alert: 1 default button, 0 alternate, -1 other.
struct AlertRequest
{
    QString title;
    QString message;
    QString defaultButton;
    QString alternateButton;
    QString otherButton;
    // The answer of an alert that ends without a button pressed: the application quit under it
    // (a logout, a termination signal). Never a button that acts, such as "Send to support".
    int closedAnswer = 1;
};

struct AlertAnswer
{
    int code = 1;
};

class AlertPresenter
{
public:
    virtual ~AlertPresenter() = default;
    virtual void activateApplication() = 0; // bring the application to the front
    virtual AlertAnswer runModal(const AlertRequest &request) = 0;
};

} // namespace tavrel::platform
