// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

#include "ui/messageboxalerts.h"

using tavrel::platform::AlertAnswer;
using tavrel::platform::AlertRequest;
using tavrel::platform::MessageBoxAlerts;

namespace {

// Runs the alert and, once its box is on screen, hands the box to answer (which must close it).
AlertAnswer runAndAnswer(const AlertRequest &request, const std::function<void(QMessageBox &)> &answer)
{
    bool answered = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || answered)
            return;
        answered = true;
        poll.stop();
        answer(*box);
    });
    poll.start();
    MessageBoxAlerts alerts;
    const AlertAnswer result = alerts.runModal(request);
    EXPECT_TRUE(answered) << "the alert was never shown";
    return result;
}

QPushButton *button(QMessageBox &box, const QString &title)
{
    for (QAbstractButton *b : box.buttons()) {
        if (b->text() == title)
            return qobject_cast<QPushButton *>(b);
    }
    ADD_FAILURE() << "no button " << title.toStdString();
    return nullptr;
}

QStringList titles(QMessageBox &box)
{
    QStringList result;
    for (QAbstractButton *b : box.buttons())
        result << b->text();
    result.sort();
    return result;
}

AlertRequest threeButtons()
{
    AlertRequest r;
    r.title = QStringLiteral("Information");
    r.message = QStringLiteral("Something happened.");
    r.defaultButton = QStringLiteral("Send to support");
    r.alternateButton = QStringLiteral("Cancel");
    r.otherButton = QStringLiteral("More");
    return r;
}

} // namespace

TEST(MessageBoxAlerts, EachButtonAnswersItsClassicCode)
{
    const struct
    {
        const char *title;
        int code;
    } rows[] = {{"Send to support", 1}, {"Cancel", 0}, {"More", -1}};
    for (const auto &row : rows) {
        const AlertAnswer answer = runAndAnswer(threeButtons(), [&](QMessageBox &box) {
            EXPECT_EQ(box.windowTitle(), QStringLiteral("Information"));
            EXPECT_EQ(box.defaultButton(), button(box, QStringLiteral("Send to support")));
            QTest::mouseClick(button(box, QString::fromLatin1(row.title)), Qt::LeftButton);
        });
        EXPECT_EQ(answer.code, row.code) << row.title;
    }
}

TEST(MessageBoxAlerts, ButtonsStandOtherThenAlternateThenDefaultFromLeftToRight)
{
    runAndAnswer(threeButtons(), [](QMessageBox &box) {
        const auto x = [&](const char *title) {
            QPushButton *b = button(box, QString::fromLatin1(title));
            return b ? b->mapTo(&box, QPoint(0, 0)).x() : -1;
        };
        EXPECT_LT(x("More"), x("Cancel"));
        EXPECT_LT(x("Cancel"), x("Send to support"));
        QTest::mouseClick(button(box, QStringLiteral("Cancel")), Qt::LeftButton);
    });
}

TEST(MessageBoxAlerts, AbsentButtonsAreNotShown)
{
    AlertRequest request;
    request.message = QStringLiteral("m");
    request.defaultButton = QStringLiteral("OK");
    request.otherButton = QStringLiteral("Other"); // no alternate
    const AlertAnswer answer = runAndAnswer(request, [](QMessageBox &box) {
        EXPECT_EQ(titles(box), (QStringList{QStringLiteral("OK"), QStringLiteral("Other")}));
        QTest::mouseClick(button(box, QStringLiteral("Other")), Qt::LeftButton);
    });
    EXPECT_EQ(answer.code, -1);

    AlertRequest single;
    single.message = QStringLiteral("m");
    single.defaultButton = QStringLiteral("OK");
    runAndAnswer(single, [](QMessageBox &box) {
        EXPECT_EQ(titles(box), QStringList{QStringLiteral("OK")});
        box.findChild<QDialogButtonBox *>()->buttons().first()->click();
    });
}

TEST(MessageBoxAlerts, MessageIsShownVerbatim)
{
    AlertRequest request;
    request.title = QStringLiteral("Warning");
    request.message = QStringLiteral("100%@ <b>not bold</b> %s %1\n\nsecond line");
    request.defaultButton = QStringLiteral("OK");
    runAndAnswer(request, [&](QMessageBox &box) {
        EXPECT_EQ(box.text(), request.message);
        auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), request.message);
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        QTest::keyClick(&box, Qt::Key_Return);
    });
}

TEST(MessageBoxAlerts, EscapeAnswersCancelButNeverAnotherChoice)
{
    const AlertAnswer cancelled =
        runAndAnswer(threeButtons(), [](QMessageBox &box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(cancelled.code, 0);

    AlertRequest warning;
    warning.title = QStringLiteral("Warning");
    warning.message = QStringLiteral("m");
    warning.defaultButton = QStringLiteral("OK");
    warning.alternateButton = QStringLiteral("Don't warn again");
    const AlertAnswer answer = runAndAnswer(warning, [](QMessageBox &box) {
        QTest::keyClick(&box, Qt::Key_Escape);
        EXPECT_TRUE(box.isVisible()) << "Escape must not silence the warning";
        QTest::mouseClick(button(box, QStringLiteral("OK")), Qt::LeftButton);
    });
    EXPECT_EQ(answer.code, 1);
}

TEST(MessageBoxAlerts, EachKindOfAlertCarriesItsStandardIcon)
{
    using tavrel::platform::alertIcon;
    AlertRequest warning;
    warning.title = QStringLiteral("Warning");
    warning.defaultButton = QStringLiteral("OK");
    warning.alternateButton = QStringLiteral("Don't warn again");
    AlertRequest question;
    question.title = QStringLiteral("Tavrel");
    question.defaultButton = QStringLiteral("Quit");
    question.alternateButton = QStringLiteral("Cancel");
    AlertRequest problem;
    problem.title = QStringLiteral("Tavrel");
    problem.defaultButton = QStringLiteral("OK");
    AlertRequest failed = problem;
    failed.title = QStringLiteral("Conversion Failed");
    EXPECT_EQ(alertIcon(warning), QMessageBox::Warning);
    EXPECT_EQ(alertIcon(question), QMessageBox::Question);
    EXPECT_EQ(alertIcon(threeButtons()), QMessageBox::Information);
    EXPECT_EQ(alertIcon(problem), QMessageBox::Warning);
    EXPECT_EQ(alertIcon(failed), QMessageBox::Critical);

    // The box on screen carries it.
    runAndAnswer(question, [](QMessageBox &box) {
        EXPECT_EQ(box.icon(), QMessageBox::Question);
        EXPECT_FALSE(box.iconPixmap().isNull());
        button(box, QStringLiteral("Cancel"))->click();
    });
}
