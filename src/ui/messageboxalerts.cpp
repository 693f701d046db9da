// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/messageboxalerts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace tavrel::platform {
namespace {

// Button boxes order their buttons after the desktop's convention, which on some desktops puts
// the accepting button at the left. The alert's order is fixed: other | alternate default.
class ClassicButtonOrder final : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_DialogButtonLayout)
            return QDialogButtonBox::MacLayout;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QWidget *frontWindow()
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->isVisible() && w->isWindow())
            return w;
    }
    return nullptr;
}

} // namespace

QMessageBox::Icon alertIcon(const AlertRequest &request)
{
    if (request.title == QLatin1String("Fatal Error") || request.title == QLatin1String("Conversion Failed"))
        return QMessageBox::Critical;
    if (request.title == QLatin1String("Information"))
        return QMessageBox::Information;
    if (request.title == QLatin1String("Warning"))
        return QMessageBox::Warning;
    if (!request.alternateButton.isEmpty() || !request.otherButton.isEmpty())
        return QMessageBox::Question;
    return QMessageBox::Warning;
}

void MessageBoxAlerts::activateApplication()
{
    if (QWidget *window = frontWindow()) {
        window->raise();
        window->activateWindow();
    }
}

AlertAnswer MessageBoxAlerts::runModal(const AlertRequest &request)
{
    QMessageBox box;
    box.setWindowModality(Qt::ApplicationModal);
    if (!request.title.isEmpty())
        box.setWindowTitle(request.title);
    box.setTextFormat(Qt::PlainText);
    box.setText(request.message);
    box.setIcon(alertIcon(request));

    // An alert always has a default button; with none titled it reads "OK".
    const QString defaultTitle = request.defaultButton.isEmpty() ? QStringLiteral("OK") : request.defaultButton;
    QPushButton *defaultButton = box.addButton(defaultTitle, QMessageBox::AcceptRole);
    QPushButton *alternateButton = request.alternateButton.isEmpty()
        ? nullptr
        : box.addButton(request.alternateButton, QMessageBox::DestructiveRole);
    QPushButton *otherButton =
        request.otherButton.isEmpty() ? nullptr : box.addButton(request.otherButton, QMessageBox::ActionRole);
    box.setDefaultButton(defaultButton);

    // Escape answers a "Cancel" button, or the only button; otherwise it does nothing, so that a
    // stray key press never picks "Don't warn again" or the like.
    QPushButton *escape = nullptr;
    for (QPushButton *b : {defaultButton, alternateButton, otherButton}) {
        if (b && b->text() == QLatin1String("Cancel"))
            escape = b;
    }
    if (!escape && !alternateButton && !otherButton)
        escape = defaultButton;
    box.setEscapeButton(escape);

    auto *order = new ClassicButtonOrder;
    order->setParent(&box);
    if (auto *buttons = box.findChild<QDialogButtonBox *>())
        buttons->setStyle(order);

    if (isShowing()) {
        QEventLoop turn;
        m_waiting.append(&turn);
        turn.exec();
        // A quit that ended every event loop also ended this wait: the alert is not shown.
        if (m_waiting.removeAll(&turn) > 0)
            return AlertAnswer{request.closedAnswer};
    }

    ++m_open;
    activateApplication();
    QEventLoop loop;
    bool closed = false;
    // The next alert goes on screen as soon as this one is answered, even while this loop still
    // waits under the loops of alerts that arrived meanwhile.
    QObject::connect(&box, &QDialog::finished, &loop, [&] {
        closed = true;
        alertClosed();
        loop.quit();
    });
    box.show();
    // The loop also ends when the application quits; the box is then closed without a button.
    loop.exec();
    if (!closed)
        alertClosed();
    box.hide();

    AlertAnswer answer;
    const QAbstractButton *clicked = box.clickedButton();
    if (clicked == defaultButton)
        answer.code = 1;
    else if (clicked && clicked == alternateButton)
        answer.code = 0;
    else if (clicked && clicked == otherButton)
        answer.code = -1;
    else
        answer.code = request.closedAnswer; // never a choice such as "Don't warn again" or the mail
    return answer;
}

void MessageBoxAlerts::alertClosed()
{
    --m_open;
    if (!m_waiting.isEmpty()) {
        m_waiting.takeLast()->quit();
        return;
    }
    if (m_open == 0 && !m_whenIdle.isEmpty()) {
        const QList<std::function<void()>> actions = std::exchange(m_whenIdle, {});
        for (const auto &action : actions)
            QTimer::singleShot(0, qApp, action);
    }
}

void MessageBoxAlerts::whenNoAlertIsOpen(std::function<void()> action)
{
    if (!isShowing())
        QTimer::singleShot(0, qApp, std::move(action));
    else
        m_whenIdle.append(std::move(action));
}

} // namespace tavrel::platform
