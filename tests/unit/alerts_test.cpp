// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QUrlQuery>
#include <gtest/gtest.h>

#include <thread>

#include "app/settings.h"
#include "scriptedplatform.h"
#include "support/alerts.h"
#include "support/ossorylib.h"
#include "support/stringextras.h"
#include "testenvironment.h"

using namespace tavrel;

namespace {

const QString kIdentifier = QStringLiteral("wrongvideowarning");
const QString kOK = QStringLiteral("OK");
const QString kDontWarn = QStringLiteral("Don't warn again");

class AlertsTest : public ::testing::Test
{
protected:
    void SetUp() override { test::resetSettingsStore(); }
    void TearDown() override { setDontWarnAgainVersionOverride(QString()); }

    void warnPerVersion()
    {
        alert_dontwarnagain_version(kIdentifier, QStringLiteral("Warning"), QStringLiteral("m"), kOK, kDontWarn);
    }

    test::ScriptedPlatform platform;
};

// A path of megabytes from a damaged journal, or a list of thousands: the alert stays readable.
TEST(AlertMessages, HugeNamesAndListsAreCutToAReadableSize)
{
    const QString huge = QStringLiteral("/films/") + QString(5 * 1024 * 1024, u'a') + QStringLiteral(".mkv");
    const QString name = elidedName(QFileInfo(huge).fileName());
    EXPECT_EQ(name, QString(60, u'a') + QStringLiteral("\u2026") + QString(55, u'a') + QStringLiteral(".mkv"));
    // A character outside the first plane is never split.
    EXPECT_EQ(elidedName(QStringLiteral("\U0001F3AC").repeated(3), 4), QStringLiteral("\U0001F3AC\u2026"));

    const QString message = alertRequest(QStringLiteral("T"), QStringLiteral("Not restored:\n\n") + huge, kOK).message;
    EXPECT_EQ(message.size(), QStringLiteral("Not restored:\n\n").size() + 4000);
    QStringList many(1000, QStringLiteral("Movie.mkv"));
    const QStringList lines = alertRequest(QStringLiteral("T"), many.join(u'\n'), kOK).message.split(u'\n');
    EXPECT_EQ(lines.size(), 60);
    EXPECT_EQ(lines.constLast(), QStringLiteral("\u2026"));
}

TEST_F(AlertsTest, PlainAlertsShowMessagesVerbatim)
{
    platform.alerts.answers.enqueue({-1});
    EXPECT_EQ(alert(QStringLiteral("T"), QStringLiteral("50% of %@ %i"), kOK, QString(), QStringLiteral("Other")), -1);
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(platform.alerts.shown[0].message, QStringLiteral("50% of %@ %i"));
    EXPECT_TRUE(platform.alerts.shown[0].alternateButton.isNull());
    EXPECT_EQ(platform.alerts.shown[0].otherButton, QStringLiteral("Other"));
    EXPECT_EQ(platform.alerts.activations, 1);
}

TEST_F(AlertsTest, DontWarnAgainSilencesUntilVersionChanges)
{
    setDontWarnAgainVersionOverride(QStringLiteral("1.0"));
    platform.alerts.answers.enqueue({0});
    warnPerVersion();
    EXPECT_EQ(settings::defaultInt(QStringLiteral("_wrongvideowarning_1.0_asked")), 1);
    warnPerVersion();
    EXPECT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_TRUE(platform.alerts.shown[0].otherButton.isNull());

    setDontWarnAgainVersionOverride(QStringLiteral("1.1"));
    warnPerVersion();
    EXPECT_EQ(platform.alerts.shown.size(), 2);
}

TEST_F(AlertsTest, DefaultButtonKeepsAsking)
{
    warnPerVersion();
    warnPerVersion();
    EXPECT_EQ(platform.alerts.shown.size(), 2);
    EXPECT_EQ(settings::defaultInt(dontWarnAgainVersionKey(kIdentifier)), 0);
}

TEST_F(AlertsTest, BackgroundCallReturnsBeforeTheAlertIsShown)
{
    std::thread background([this] { warnPerVersion(); });
    background.join();
    EXPECT_TRUE(platform.alerts.shown.isEmpty());
    const QDeadlineTimer deadline(5000);
    while (platform.alerts.shown.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(platform.alerts.shown.size(), 1);
}

TEST_F(AlertsTest, FatalAlertShortensDetailsAt400Units)
{
    const QString exact(400, QLatin1Char('d'));
    const platform::AlertRequest whole = fatalErrorAlertRequest(QStringLiteral("Broken %@"), exact);
    EXPECT_EQ(whole.title, QStringLiteral("Fatal Error"));
    EXPECT_EQ(whole.message,
              QStringLiteral("Broken %@\n\n You can contact our support with detailed information so that "
                             "we can fix this problem.\n\nInformation: ")
                  + exact);
    EXPECT_EQ(whole.defaultButton, QStringLiteral("Send to support"));
    EXPECT_EQ(whole.alternateButton, QStringLiteral("Quit"));

    const platform::AlertRequest cut = fatalErrorAlertRequest(QStringLiteral("m"), exact + QStringLiteral("X"));
    EXPECT_TRUE(cut.message.endsWith(exact + QStringLiteral(" \u2026\n(Remaining message omitted)")));
}

TEST_F(AlertsTest, FatalAlertMailsFullDetailsOnlyOnSendToSupport)
{
    const QString details = QString(500, QLatin1Char('x')) + QStringLiteral(" #0:1 & end");
    platform.alerts.answers.enqueue({0});
    runFatalErrorAlert(QStringLiteral("m"), details);
    EXPECT_TRUE(platform.workspace.opened.isEmpty());

    runFatalErrorAlert(QStringLiteral("m"), details);
    ASSERT_EQ(platform.workspace.opened.size(), 1);
    const QString body =
        QUrlQuery(platform.workspace.opened[0]).queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded);
    EXPECT_TRUE(body.contains(QStringLiteral("P.S. Details: ") + details + QStringLiteral("\n"))) << body.toStdString();
}

TEST_F(AlertsTest, FatalAlertEndsTheProcessWithStatusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    platform.alerts.defaultAnswer = {0};
    EXPECT_EXIT(alertfeedbackfatal(QStringLiteral("m"), QStringLiteral("d")), ::testing::ExitedWithCode(1), "");
}

TEST(AlertsWithoutPresenter, AnswerTheDefaultButton)
{
    ASSERT_EQ(platform::services().alerts, nullptr);
    EXPECT_EQ(alert(QStringLiteral("T"), QStringLiteral("m"), kOK, kDontWarn), 1);
}

} // namespace
