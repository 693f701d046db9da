#pragma once
// Stopping, continuing and terminating a child process by its pid.
#include <QtGlobal>

#include <signal.h>

namespace tavrel::platform {

inline bool suspendProcess(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), SIGSTOP) == 0;
}
inline bool resumeProcess(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), SIGCONT) == 0;
}
inline bool terminateProcess(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), SIGTERM) == 0;
}

} // namespace tavrel::platform
