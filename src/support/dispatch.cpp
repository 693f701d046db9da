// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/dispatch.h"
#include "support/log.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <limits>

namespace tavrel {

// The product is formed in single precision on purpose: 0.1f * 1e9f is exactly 100000000.
qint64 delayToNanoseconds(float seconds)
{
    const float product = seconds * 1e9f;
    if (std::isnan(product))
        return 0;
    if (product >= 0x1p63f)
        return std::numeric_limits<qint64>::max();
    if (product < -0x1p63f)
        return std::numeric_limits<qint64>::min();
    return qint64(product);
}

namespace {

QCoreApplication *mainContext(const char *caller)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        aslLogText(3, QStringLiteral("%1: no application object, block dropped").arg(QLatin1String(caller)));
    return app;
}

bool onMainThread(const QCoreApplication *app)
{
    return QThread::currentThread() == app->thread();
}

// Runs on the main thread. Timers work in whole milliseconds, so the wait is rounded up, and a
// timer that fires before the deadline (a clamped very long delay) is simply armed again.
void armMainTimer(QDeadlineTimer due, Block block)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    const qint64 remaining = due.remainingTimeNSecs();
    if (remaining == 0) {
        QMetaObject::invokeMethod(app, std::move(block), Qt::QueuedConnection);
        return;
    }
    qint64 ms = remaining < 0 ? std::numeric_limits<int>::max() : (remaining + 999'999) / 1'000'000;
    ms = std::min<qint64>(ms, std::numeric_limits<int>::max());
    QTimer::singleShot(int(ms), Qt::PreciseTimer, app, [due, block = std::move(block)]() mutable {
        if (due.hasExpired())
            block();
        else
            armMainTimer(due, std::move(block));
    });
}

// Schedules block on the main thread no earlier than the delay after this call.
void scheduleOnMain(const char *caller, float seconds, Block block)
{
    QCoreApplication *app = mainContext(caller);
    if (!app || !block)
        return;
    const qint64 ns = delayToNanoseconds(seconds);
    if (ns <= 0) {
        QMetaObject::invokeMethod(app, std::move(block), Qt::QueuedConnection);
        return;
    }
    QDeadlineTimer due(Qt::PreciseTimer);
    due.setPreciseRemainingTime(0, ns, Qt::PreciseTimer);
    if (onMainThread(app)) {
        armMainTimer(due, std::move(block));
        return;
    }
    QMetaObject::invokeMethod(
        app, [due, block = std::move(block)]() mutable { armMainTimer(due, std::move(block)); }, Qt::QueuedConnection);
}

} // namespace

void dispatch_async_main(Block block)
{
    QCoreApplication *app = mainContext("dispatch_async_main");
    if (!app || !block)
        return;
    QMetaObject::invokeMethod(app, std::move(block), Qt::QueuedConnection);
}

void dispatch_sync_main(Block block)
{
    QCoreApplication *app = mainContext("dispatch_sync_main");
    if (!app || !block)
        return;
    // A blocking call into the thread that is waiting would never return.
    if (QThread::currentThread() == app->thread()) {
        block();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(block), Qt::BlockingQueuedConnection);
}

void dispatch_after_main(float seconds, Block block)
{
    scheduleOnMain("dispatch_after_main", seconds, std::move(block));
}

} // namespace tavrel
