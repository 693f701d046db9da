// SPDX-License-Identifier: GPL-3.0-or-later
#include "privatebus.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavrel::test {
namespace {

[[noreturn]] void fail(const std::string &why)
{
    std::fprintf(stderr, "private D-Bus: %s\n", why.c_str());
    std::fflush(stderr);
    std::_Exit(2);
}

// Listens in its own folder, allows everything and has no service folders, so a call to a name
// that no test registered fails at once instead of starting a real service.
const char *const kConfig = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%s</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

struct Daemon
{
    pid_t pid = 0;
    std::string folder;
    std::string address;

    ~Daemon()
    {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
        if (!folder.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    }
};

Daemon &daemon()
{
    static Daemon d;
    return d;
}

std::string findDaemon()
{
    for (const char *candidate : {"/usr/bin/dbus-daemon", "/bin/dbus-daemon", "/usr/local/bin/dbus-daemon"}) {
        if (::access(candidate, X_OK) == 0)
            return candidate;
    }
    fail("dbus-daemon not found (install the Debian package dbus)");
}

} // namespace

QString startPrivateSessionBus()
{
    Daemon &d = daemon();
    if (!d.address.empty())
        return QString::fromStdString(d.address);

    const std::string program = findDaemon();
    char folderTemplate[] = "/tmp/tavrel-bus-XXXXXX";
    if (!::mkdtemp(folderTemplate))
        fail(std::string("cannot make a folder: ") + std::strerror(errno));
    d.folder = folderTemplate;

    const std::string configPath = d.folder + "/bus.conf";
    FILE *config = std::fopen(configPath.c_str(), "w");
    if (!config)
        fail("cannot write " + configPath);
    std::fprintf(config, kConfig, d.folder.c_str());
    std::fclose(config);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        fail(std::string("pipe: ") + std::strerror(errno));

    const pid_t pid = ::fork();
    if (pid < 0)
        fail(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) {
        // The daemon goes when the test process goes, even when it crashes.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (pipeFds[1] == 3)
            ::fcntl(3, F_SETFD, 0);
        else
            ::dup2(pipeFds[1], 3); // the copy does not close on exec
        // It complains about resource limits it may not raise as root; the address is all we need.
        const int devNull = ::open("/dev/null", O_WRONLY);
        if (devNull >= 0)
            ::dup2(devNull, STDERR_FILENO);
        const std::string configArg = "--config-file=" + configPath;
        ::execl(program.c_str(), program.c_str(), configArg.c_str(), "--nofork", "--nopidfile", "--print-address=3",
                static_cast<char *>(nullptr));
        std::_Exit(127);
    }
    d.pid = pid;
    ::close(pipeFds[1]);

    std::string line;
    char c = 0;
    while (true) {
        const ssize_t n = ::read(pipeFds[0], &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            break;
        line.push_back(c);
    }
    ::close(pipeFds[0]);
    if (line.empty())
        fail("dbus-daemon did not print its address (is " + program + " working?)");
    d.address = line;

    ::setenv("DBUS_SESSION_BUS_ADDRESS", d.address.c_str(), 1);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", unreachableSystemBusAddress().toUtf8().constData(), 1);
    return QString::fromStdString(d.address);
}

QString privateBusAddress()
{
    return QString::fromStdString(daemon().address);
}

QString unreachableSystemBusAddress()
{
    return QStringLiteral("unix:path=/nonexistent/tavrel-test/system_bus_socket");
}

} // namespace tavrel::test
