// SPDX-License-Identifier: GPL-3.0-or-later
// The queue's progress on the launcher entry: the Update signal a task manager receives while a
// job converts, and its reset once nothing does.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>

#include "controllertesting.h"
#include "platform/dbuslauncherentry.h"
#include "privatebus.h"
#include "ui/mainwindow.h"

namespace tavrel::test {
namespace {

// What a dock hears: every Update on the bus, from whatever path.
class LauncherListener final : public QObject
{
    Q_OBJECT

public:
    explicit LauncherListener(const QDBusConnection &bus) : m_bus(bus)
    {
        m_connected = m_bus.connect(QString(), QString(), QString::fromLatin1(platform::DBusLauncherEntry::kInterface),
                                    QStringLiteral("Update"), this, SLOT(onUpdate(QString, QVariantMap)));
    }
    bool connected() const { return m_connected; }

    struct Update
    {
        QString appUri;
        QVariantMap properties;
    };
    QList<Update> updates;

    bool waitFor(const std::function<bool(const Update &)> &match)
    {
        return QTest::qWaitFor([&] { return std::any_of(updates.cbegin(), updates.cend(), match); }, 10000);
    }

public Q_SLOTS:
    void onUpdate(const QString &appUri, const QVariantMap &properties) { updates.append({appUri, properties}); }

private:
    QDBusConnection m_bus;
    bool m_connected = false;
};

// Reports half of the ten-second movie converted, then waits for its cue like FakeTools' ffmpeg.
const QByteArray kHalfwayFfmpeg = QByteArray("#!/bin/sh\n") + kProbeAnswer
    + "prev=''\n"
      "for a in \"$@\"; do [ \"$prev\" = -progress ] && progress=\"$a\"; prev=\"$a\"; dest=\"$a\"; done\n"
      "printf 'out_time_ms=5000000\\nprogress=continue\\n' >> \"$progress\"\n"
      "while [ ! -e \"$dest.end\" ]; do sleep 0.02; done\n"
      "echo done > \"$dest\"\n";

TEST(LauncherEntry, ShowsTheQueueWhileAJobConvertsAndClearsAfterwards)
{
    resetSettingsStore();
    FakeTools tools;
    writeFile(tools.resources() + QStringLiteral("/ffmpeg"), kHalfwayFfmpeg);
    ScriptedPlatform platform;
    platform.volumes.byPrefix.insert(QStringLiteral("/"), {quint64(1) << 40, std::nullopt});

    const QDBusConnection listenerBus = QDBusConnection::connectToBus(privateBusAddress(), QStringLiteral("dock"));
    LauncherListener dock(listenerBus);
    ASSERT_TRUE(dock.connected());
    platform::DBusLauncherEntry entry(QStringLiteral("org.ossory.Tavrel.desktop"));
    platform::Services services = platform::services();
    services.launcherEntry = &entry;
    platform::install(services);

    AppDelegate app;
    app.applicationDidFinishLaunching();
    MainWindow window(&app);

    const QString destination = tools.path(QStringLiteral("Movie.mp4"));
    auto info = makeRecord(tools.movie(QStringLiteral("Movie.mkv")));
    auto *job = test::jobFor(&app.queue(), info, destination);
    app.addJob(job);
    ASSERT_EQ(job->state(), Converting);

    const QString uri = QStringLiteral("application://org.ossory.Tavrel.desktop");
    EXPECT_TRUE(dock.waitFor([&](const LauncherListener::Update &u) {
        return u.appUri == uri && u.properties.value(QStringLiteral("progress-visible")).toBool()
            && qFuzzyCompare(u.properties.value(QStringLiteral("progress")).toDouble(), 0.5);
    })) << "no Update with half the queue done";
    const qsizetype whileConverting = dock.updates.size();

    FakeTools::end(job);
    ASSERT_TRUE(waitUntil([&] { return job->state() == Finished; }));
    EXPECT_TRUE(dock.waitFor([&](const LauncherListener::Update &u) {
        return u.appUri == uri && u.properties.contains(QStringLiteral("progress"))
            && u.properties.value(QStringLiteral("progress-visible")) == QVariant(false);
    })) << "the bar was never taken away";
    // Every value was a double, every flag a boolean, as docks expect them.
    for (const auto &update : std::as_const(dock.updates)) {
        EXPECT_EQ(update.properties.value(QStringLiteral("progress")).metaType().id(), QMetaType::Double);
        EXPECT_EQ(update.properties.value(QStringLiteral("progress-visible")).metaType().id(), QMetaType::Bool);
    }
    EXPECT_GT(dock.updates.size(), whileConverting);

    app.applicationWillTerminate();
    platform::Services without = platform::services();
    without.launcherEntry = nullptr;
    platform::install(without);
}

} // namespace
} // namespace tavrel::test

#include "launcherentry_test.moc"
