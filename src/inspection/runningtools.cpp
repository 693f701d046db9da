// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspection/runningtools.h"

#include <QMutex>
#include <QSet>

#include <chrono>
#include <csignal>
#include <thread>

namespace tavrel {
namespace {

struct Registry
{
    QMutex mutex;
    QSet<qint64> pids;
    bool stopped = false;
};

Registry &registry()
{
    static Registry r;
    return r;
}

} // namespace

bool registerRunningTool(qint64 pid)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    if (r.stopped)
        return false;
    r.pids.insert(pid);
    return true;
}

void unregisterRunningTool(qint64 pid)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    r.pids.remove(pid);
}

bool mayStartTools()
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    return !r.stopped;
}

void terminateRunningTools()
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    r.stopped = true;
    for (const qint64 pid : std::as_const(r.pids))
        ::kill(pid_t(pid), SIGTERM);
    // A tool blocked on a pipe may never act on SIGTERM; quitting must not wait on it for ever.
    // A tool still registered is not reaped yet, so its pid cannot name another process.
    std::thread([] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        Registry &later = registry();
        QMutexLocker again(&later.mutex);
        if (!later.stopped)
            return; // tools were allowed again meanwhile: the ones running now are new
        for (const qint64 pid : std::as_const(later.pids))
            ::kill(pid_t(pid), SIGKILL);
    }).detach();
}

void allowRunningTools()
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    r.stopped = false;
}

} // namespace tavrel
