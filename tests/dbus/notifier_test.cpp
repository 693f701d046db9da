// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTest>
#include <gtest/gtest.h>

#include "fakedesktopservices.h"
#include "platform/dbusnotifier.h"
#include "privatebus.h"

using tavrel::platform::DBusNotifier;
using tavrel::platform::UserNotification;
using tavrel::test::FakeDesktopServices;

namespace {

// Before main: the session bus must be the private one from its first use on.

UserNotification finished(const QString &path)
{
    UserNotification n;
    n.title = QStringLiteral("Tavrel Conversion Finished");
    n.informativeText = QStringLiteral("Tavrel has finished converting the file Movie 100% \"x\".mkv.");
    n.actionButtonTitle = QStringLiteral("Show");
    n.userInfo = {{QStringLiteral("path"), path}};
    return n;
}

// Waits until the fake has answered the count-th Notify and the answer is back with the notifier.
FakeDesktopServices::NotifyCall waitForNotify(const FakeDesktopServices &fake, int count)
{
    EXPECT_TRUE(QTest::qWaitFor([&] { return fake.notifyCalls().size() >= count; }, 5000));
    QTest::qWait(100);
    const auto calls = fake.notifyCalls();
    return calls.size() >= count ? calls.at(count - 1) : FakeDesktopServices::NotifyCall{};
}

} // namespace

TEST(DBusNotifier, SendsTitleTextActionsAndSound)
{
    FakeDesktopServices fake(tavrel::test::privateBusAddress());
    ASSERT_TRUE(fake.registerNotifications());
    DBusNotifier notifier;

    notifier.deliver(finished(QStringLiteral("/tmp/out.mp4")));
    UserNotification failed;
    failed.title = QStringLiteral("Tavrel Conversion Failed");
    failed.informativeText = QStringLiteral("Tavrel has failed to convert the file a.mkv.");
    notifier.deliver(failed);

    const auto first = waitForNotify(fake, 1);
    EXPECT_EQ(first.appName, QStringLiteral("Tavrel"));
    EXPECT_EQ(first.replacesId, 0u);
    EXPECT_EQ(first.summary, QStringLiteral("Tavrel Conversion Finished"));
    EXPECT_EQ(first.body, QStringLiteral("Tavrel has finished converting the file Movie 100% \"x\".mkv."));
    EXPECT_EQ(first.actions, (QStringList{QStringLiteral("default"), QStringLiteral("Show")}));
    EXPECT_EQ(first.hints.value(QStringLiteral("sound-name")).toString(), QStringLiteral("message-new-instant"));
    EXPECT_EQ(first.expireTimeout, -1);

    const auto second = waitForNotify(fake, 2);
    EXPECT_EQ(second.summary, QStringLiteral("Tavrel Conversion Failed"));
    EXPECT_TRUE(second.actions.isEmpty()) << "no action button, nothing to click";
    EXPECT_EQ(second.hints.value(QStringLiteral("sound-name")).toString(), QStringLiteral("message-new-instant"));
}

TEST(DBusNotifier, ClickActivatesOnlyItsOwnOpenNotifications)
{
    FakeDesktopServices fake(tavrel::test::privateBusAddress());
    ASSERT_TRUE(fake.registerNotifications());
    DBusNotifier notifier;
    QList<QVariantMap> activations;
    notifier.setActivationHandler([&](const QVariantMap &info) { activations.append(info); });

    const QString path = QStringLiteral("/tmp/My Movies/Café 1.mp4");
    notifier.deliver(finished(path));
    const uint id = waitForNotify(fake, 1).id;

    // Another application's notification is clicked first: ignored. Signals keep their order, so
    // once ours arrives the foreign one has been handled.
    fake.emitActionInvoked(id + 1000, QStringLiteral("default"));
    fake.emitActionInvoked(id, QStringLiteral("default"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !activations.isEmpty(); }, 5000));
    QTest::qWait(100);
    ASSERT_EQ(activations.size(), 1);
    EXPECT_EQ(activations.first().value(QStringLiteral("path")).toString(), path);

    // Once closed, the id is forgotten (servers reuse ids); a second notification still works.
    notifier.deliver(finished(QStringLiteral("/tmp/second.mp4")));
    const uint second = waitForNotify(fake, 2).id;
    fake.emitNotificationClosed(id, 2);
    fake.emitActionInvoked(id, QStringLiteral("default"));
    fake.emitActionInvoked(second, QStringLiteral("show-button"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return activations.size() >= 2; }, 5000));
    QTest::qWait(100);
    ASSERT_EQ(activations.size(), 2);
    EXPECT_EQ(activations.at(1).value(QStringLiteral("path")).toString(), QStringLiteral("/tmp/second.mp4"));
}

TEST(DBusNotifier, WithoutServiceOrBusNothingHappens)
{
    int activations = 0;
    {
        DBusNotifier notifier; // private bus, no notification service on it
        notifier.setActivationHandler([&](const QVariantMap &) { ++activations; });
        notifier.deliver(finished(QStringLiteral("/tmp/x.mp4")));
        QTest::qWait(300);
    }
    {
        const auto noBus =
            QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nobus"));
        ASSERT_FALSE(noBus.isConnected());
        DBusNotifier notifier(noBus);
        notifier.deliver(finished(QStringLiteral("/tmp/x.mp4")));
        QTest::qWait(50);
    }
    EXPECT_EQ(activations, 0);
}

TEST(DBusNotifier, ReplyAfterNotifierIsGoneIsDropped)
{
    FakeDesktopServices fake(tavrel::test::privateBusAddress());
    ASSERT_TRUE(fake.registerNotifications());
    {
        DBusNotifier notifier;
        notifier.deliver(finished(QStringLiteral("/tmp/x.mp4")));
    }
    // The reply arrives with no notifier to take it: must not touch freed memory.
    ASSERT_TRUE(QTest::qWaitFor([&] { return fake.notifyCalls().size() == 1; }, 5000));
    QTest::qWait(200);
}
