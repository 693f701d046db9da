#include "inspection/runningtools.h"

#include <QMutex>
#include <QSet>

#include <csignal>

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
}

void allowRunningTools()
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    r.stopped = false;
}

} // namespace tavrel
