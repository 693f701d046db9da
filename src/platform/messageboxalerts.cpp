#include "platform/messageboxalerts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QWidget>

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

// Puts the text field in the row below the message, moving the buttons one row down.
void addTextField(QMessageBox &box, QLineEdit *field)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    auto *buttons = box.findChild<QDialogButtonBox *>();
    if (!grid || !label || !buttons || grid->indexOf(label) < 0) {
        // Unknown layout: still offer the field rather than lose the input.
        if (grid)
            grid->addWidget(field, grid->rowCount(), 0, 1, grid->columnCount());
        return;
    }
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(label), &row, &column, &rowSpan, &columnSpan);
    grid->removeWidget(buttons);
    const int fieldRow = grid->rowCount();
    grid->addWidget(field, fieldRow, column, 1, 1, Qt::AlignLeft);
    grid->addWidget(buttons, fieldRow + 1, 0, 1, grid->columnCount());
}

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

    // An alert always has a default button; with none titled it reads "OK".
    const QString defaultTitle = request.defaultButton.isEmpty() ? QStringLiteral("OK") : request.defaultButton;
    QPushButton *defaultButton = box.addButton(defaultTitle, QMessageBox::AcceptRole);
    QPushButton *alternateButton = request.alternateButton.isEmpty()
        ? nullptr
        : box.addButton(request.alternateButton, QMessageBox::DestructiveRole);
    QPushButton *otherButton = request.otherButton.isEmpty()
        ? nullptr
        : box.addButton(request.otherButton, QMessageBox::ActionRole);
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

    QLineEdit *field = nullptr;
    if (request.withTextField) {
        field = new QLineEdit(&box);
        field->setObjectName(QLatin1String(kTextFieldName));
        field->setFixedSize(310, 24);
        addTextField(box, field);
        field->setFocus();
    }

    activateApplication();
    box.exec();

    AlertAnswer answer;
    const QAbstractButton *clicked = box.clickedButton();
    if (clicked == defaultButton)
        answer.code = 1;
    else if (clicked && clicked == alternateButton)
        answer.code = 0;
    else if (clicked && clicked == otherButton)
        answer.code = -1;
    else
        answer.code = alternateButton ? 0 : 1; // closed without a button: as a refusal where there is one
    if (field)
        answer.text = field->text();
    return answer;
}

} // namespace tavrel::platform
