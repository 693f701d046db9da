// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Stopping, continuing and terminating a child process by its pid.
#include <QtGlobal>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

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

// For QProcess::setChildProcessModifier: the child is killed when this process ends, however it
// ends, so no tool goes on writing a file nobody will check. Runs between fork and exec.
inline auto endsWithThisProcess()
{
    const pid_t parent = ::getpid();
    return [parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The parent may have died before the request took effect.
        if (::getppid() != parent)
            ::_exit(127);
    };
}

} // namespace tavrel::platform
