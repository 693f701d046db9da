// SPDX-License-Identifier: GPL-3.0-or-later
// Modal alerts with the real message boxes: one on screen at a time however many arrive, an
// alert closed without a button, and quitting while one is open.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <csignal>

#include "controllertesting.h"
#include "conversion/failureexplanation.h"
#include "platform/terminationsignals.h"
#include "support/alerts.h"
#include "ui/mainwindow.h"
#include "ui/messageboxalerts.h"

namespace tavrel::test {
namespace {

QList<QMessageBox *> visibleBoxes()
{
    QList<QMessageBox *> boxes;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
            boxes.append(box);
    return boxes;
}

// Calls `act` on the event loop, nested ones included, every few milliseconds while it lives.
class Poll
{
public:
    explicit Poll(std::function<void()> act)
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, std::move(act));
        m_timer.start();
    }

private:
    QTimer m_timer;
};

TEST(AlertSequence, AnAlertClosedWithoutAButtonAnswersItsDefault)
{
    platform::MessageBoxAlerts alerts;
    Poll closer([] {
        for (QMessageBox *box : visibleBoxes())
            box->reject(); // as when its window is closed or the session ends
    });
    const platform::AlertAnswer answer =
        alerts.runModal({QStringLiteral("Warning"), QStringLiteral("Too many reference frames."), QStringLiteral("OK"),
                         QStringLiteral("Don't warn again"), QString()});
    EXPECT_EQ(answer.code, 1);
}

TEST(AlertSequence, HundredsOfRefusedMoviesShowOneAlertAtATime)
{
    ScriptedPlatform platform;
    platform::MessageBoxAlerts alerts;
    platform::services().alerts = &alerts;
    resetSettingsStore();
    QTemporaryDir dir;
    FakeScanner scanner;
    AppDelegate app;
    app.setScanner(scanner.scanner());
    app.applicationDidFinishLaunching();
    // A remembered folder that has gone: every movie added to it is refused with an alert.
    settings::setDefaultObject(settings::kDestinationBookmarksKey, QVariantList{(dir.path() + "/gone").toUtf8()});
    settings::setDefaultObject(settings::kDestinationNamesKey, QVariantList{QStringLiteral("gone")});
    settings::setDefaultInt(settings::kDefaultDestinationKey, 2);
    settings::setDefaultInt(settings::kAutoAddKey, 1);

    constexpr int movies = 40;
    QStringList paths;
    for (int i = 0; i < movies; ++i) {
        paths.append(dir.path() + QStringLiteral("/Movie %1.mkv").arg(i));
        writeFile(paths.last(), "movie");
    }
    int answered = 0;
    qsizetype mostOnScreen = 0;
    Poll answer([&] {
        const QList<QMessageBox *> boxes = visibleBoxes();
        mostOnScreen = std::max(mostOnScreen, boxes.size());
        for (QMessageBox *box : boxes) {
            EXPECT_TRUE(box->text().startsWith(QStringLiteral("You don't seem to have write access")));
            box->buttons().first()->click();
            ++answered;
        }
    });
    app.application_openFiles(paths);
    ASSERT_TRUE(waitUntil([&] { return answered == movies; }, 60000)) << answered;
    EXPECT_EQ(mostOnScreen, 1);
    EXPECT_TRUE(app.taskArray().isEmpty());
    EXPECT_EQ(scanner.scanned().size(), movies);
    platform::services().alerts = &platform.alerts;
}

TEST(AlertSequence, ARequestedQuitWaitsUntilTheAlertIsAnswered)
{
    platform::MessageBoxAlerts alerts;
    bool ran = false;
    bool ranWhileOpen = false;
    bool asked = false;
    Poll answer([&] {
        const QList<QMessageBox *> boxes = visibleBoxes();
        if (boxes.isEmpty())
            return;
        if (!asked) {
            asked = true;
            alerts.whenNoAlertIsOpen([&] { ran = true; });
            return;
        }
        ranWhileOpen = ranWhileOpen || ran;
        boxes.first()->buttons().first()->click();
    });
    alerts.runModal({QStringLiteral("Tavrel"), QStringLiteral("Refused."), QStringLiteral("OK"), {}, {}});
    EXPECT_TRUE(asked);
    EXPECT_FALSE(ranWhileOpen);
    EXPECT_TRUE(waitUntil([&] { return ran; }));
}

// A logout ends the application under any alert, and never answers one with the mail.
TEST(AlertSequence, ATerminationSignalEndsTheApplicationWithAnAlertOpen)
{
    FailureContext failure;
    failure.jobOutput = QStringLiteral("Conversion failed!");
    failure.arguments = {QStringLiteral("-i"), QStringLiteral("m.mkv")};
    failure.offerLog = true;
    const struct
    {
        const char *kind;
        std::function<void()> show;
    } rows[] = {
        {"playback warning",
         [] {
             alert(QStringLiteral("Warning"), QStringLiteral("A playback warning."), QStringLiteral("OK"),
                   QStringLiteral("Don't warn again"));
         }},
        {"failure explanation", [&] { explainFailure(failure); }},
        {"fatal error", [] { runFatalErrorAlert(QStringLiteral("Something broke."), QStringLiteral("details")); }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.kind);
        ScriptedPlatform platform;
        platform::MessageBoxAlerts alerts;
        platform::services().alerts = &alerts;
        resetSettingsStore();
        AppDelegate app;
        MainWindow window(&app);
        app.applicationDidFinishLaunching();
        onTerminationSignal([&](int) { window.quitNow(); });

        bool returned = false;
        bool raised = false;
        QTimer::singleShot(0, [&] {
            row.show();
            returned = true;
        });
        Poll signal([&] {
            if (!raised && !visibleBoxes().isEmpty()) {
                raised = true;
                ::raise(SIGTERM);
            }
        });
        // Only a process that ignores the signal gets here, and fails.
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        deadline.start(30000);
        EXPECT_EQ(QCoreApplication::exec(), 0);
        EXPECT_TRUE(raised);
        EXPECT_TRUE(returned);
        EXPECT_EQ(platform.workspace.opened, QList<QUrl>{}) << "the problem-report mail was opened";
        platform::services().alerts = &platform.alerts;
    }
}

} // namespace
} // namespace tavrel::test
