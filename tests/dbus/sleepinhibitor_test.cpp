// SPDX-License-Identifier: GPL-3.0-or-later
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include "fakedesktopservices.h"
#include "platform/dbussleepinhibitor.h"
#include "privatebus.h"

using tavrel::platform::DBusSleepInhibitor;
using tavrel::test::FakeDesktopServices;

namespace {
const QString reason = QStringLiteral("Converting MKV file.");
} // namespace

TEST(DBusSleepInhibitor, PortalHoldsUntilTheAssertionIsDropped)
{
    FakeDesktopServices fake(tavrel::test::privateBusAddress());
    ASSERT_TRUE(fake.registerPortal());
    DBusSleepInhibitor inhibitor;

    auto assertion = inhibitor.acquire(reason);
    ASSERT_NE(assertion, nullptr);
    const auto calls = fake.portalInhibitCalls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls.first().window, QString());
    EXPECT_EQ(calls.first().flags, 4u) << "suspend";
    EXPECT_EQ(calls.first().options.value(QStringLiteral("reason")).toString(), reason);

    QTest::qWait(100);
    EXPECT_TRUE(fake.closedRequests().isEmpty());
    assertion.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fake.closedRequests().isEmpty(); }, 5000));
    EXPECT_EQ(fake.closedRequests(), QStringList{calls.first().handle});
}

TEST(DBusSleepInhibitor, LogindLockLivesExactlyAsLongAsTheAssertion)
{
    FakeDesktopServices fake(tavrel::test::privateBusAddress());
    ASSERT_TRUE(fake.registerLogind()); // no portal on the session bus
    const auto system =
        QDBusConnection::connectToBus(tavrel::test::privateBusAddress(), QStringLiteral("as-system-bus"));
    ASSERT_TRUE(system.isConnected());
    DBusSleepInhibitor inhibitor(QDBusConnection::sessionBus(), system);

    auto assertion = inhibitor.acquire(reason);
    ASSERT_NE(assertion, nullptr);
    const auto calls = fake.logindInhibitCalls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls.first().what, QStringLiteral("idle"));
    EXPECT_EQ(calls.first().who, QStringLiteral("Tavrel"));
    EXPECT_EQ(calls.first().why, reason);
    EXPECT_EQ(calls.first().mode, QStringLiteral("block"));

    QTest::qWait(100); // the reply message is long gone: the lock must still be held
    EXPECT_TRUE(fake.logindLockHeld(0));
    assertion.reset();
    EXPECT_FALSE(fake.logindLockHeld(0));
}

TEST(DBusSleepInhibitor, NeitherPortalNorLogindGivesNullQuickly)
{
    // No portal on the private session bus; the system bus address names no socket.
    ASSERT_EQ(qgetenv("DBUS_SYSTEM_BUS_ADDRESS"), tavrel::test::unreachableSystemBusAddress().toUtf8());
    DBusSleepInhibitor inhibitor;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(inhibitor.acquire(reason), nullptr);
    EXPECT_LT(clock.elapsed(), 1000);
}
