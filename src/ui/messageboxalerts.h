// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Modal alerts as message boxes: the classic three-button alert (default right-most, alternate
// to its left, other at the far left) with an optional one-line text field.
#include <QList>

#include <functional>

#include <QMessageBox>

#include "platform/api/alertpresenter.h"

class QEventLoop;

namespace tavrel::platform {

// The standard icon for an alert's kind: a failure is critical, a question offers a way out
// (Cancel or a second choice), "Information" informs, and a lone "OK" reports a problem.
QMessageBox::Icon alertIcon(const AlertRequest &request);

// One alert on screen at a time: an alert asked for while another is open (from a scan or a job
// that ends meanwhile) waits until that one is answered. An alert closed without a button (the
// application quitting under it) answers as the request says.
class MessageBoxAlerts final : public AlertPresenter
{
public:
    void activateApplication() override;
    AlertAnswer runModal(const AlertRequest &request) override;

    bool isShowing() const { return m_open > 0 || !m_waiting.isEmpty(); }
    // Runs `action` from the event loop once no alert is open or waiting (at once when none is).
    void whenNoAlertIsOpen(std::function<void()> action);

private:
    void alertClosed();

    int m_open = 0;
    // Alerts waiting for their turn, innermost (the latest) last. Each waits in an event loop
    // nested in the one before, so only the innermost can go on without a deadlock.
    QList<QEventLoop *> m_waiting;
    QList<std::function<void()>> m_whenIdle;
};

} // namespace tavrel::platform
