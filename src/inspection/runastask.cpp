// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspection/runastask.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <future>

#include "inspection/runningtools.h"
#include "platform/api/childsignals.h"
#include "support/ossorylib.h"

namespace tavrel {

namespace {

// Why a program could not be started, naming it, in words a user can act on.
QString startFailure(const QString &program, const QString &processError)
{
    const QFileInfo info(program);
    QString reason;
    if (!program.contains(u'/'))
        reason = QStringLiteral("it was found neither among the application's resources nor on the search path");
    else if (!info.exists())
        reason = QStringLiteral("%1 does not exist").arg(program);
    else if (info.isDir())
        reason = QStringLiteral("%1 is a folder").arg(program);
    else if (!info.isExecutable())
        reason = QStringLiteral("%1 is not executable").arg(program);
    else
        reason = processError;
    return QStringLiteral("The program '%1' could not be started: %2.").arg(info.fileName(), reason);
}

} // namespace

QString decodeToolOutput(const QByteArray &bytes)
{
    // Tools print titles and tags as the file holds them, Latin-1 included. Refusing the whole
    // report for one such byte would lose every stream; the words the parsers look for are
    // ASCII, so a replacement character in a title costs nothing.
    return QString::fromUtf8(bytes);
}

TaskResult runTask(const QStringList &argv)
{
    TaskResult result;
    if (argv.isEmpty() || argv.first().isEmpty()) {
        result.startError = QStringLiteral("No program was given to run.");
        return result;
    }

    if (!mayStartTools()) {
        result.startError = QStringLiteral("The application is quitting.");
        return result;
    }
    QProcess process;
    process.setProgram(argv.first());
    process.setArguments(argv.mid(1));
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setChildProcessModifier(platform::endsWithThisProcess());
    process.start();
    if (!process.waitForStarted(-1)) {
        result.startError = startFailure(argv.first(), process.errorString());
        return result;
    }
    result.started = true;
    // Quitting ends the child; a quit that came between start and here is seen as a refusal.
    const qint64 pid = process.processId();
    if (!registerRunningTool(pid))
        process.kill();
    // The child gets an empty standard input rather than ours: a tool that reads the terminal
    // the application was started from would take the user's keystrokes, change the terminal's
    // modes, or be stopped for good (SIGTTIN) when the application runs as a background job.
    process.closeWriteChannel();

    // QProcess keeps reading into its own buffer while we wait, so a long report never fills
    // the pipe and blocks the child.
    QByteArray bytes;
    while (process.waitForReadyRead(-1))
        bytes += process.readAll();
    process.waitForFinished(-1);
    unregisterRunningTool(pid);
    bytes += process.readAll();

    result.exitStatus = process.exitCode();
    result.output = decodeToolOutput(bytes);
    return result;
}

std::pair<TaskResult, TaskResult> runTasksTogether(const QStringList &first, const QStringList &second)
{
    // A thread of its own rather than the pool's: a full pool would run it after the first.
    std::future<TaskResult> other = std::async(std::launch::async, [second] { return runTask(second); });
    TaskResult result = runTask(first);
    return {std::move(result), other.get()};
}

std::optional<QString> runAsTask(const QStringList &argv)
{
    return runTask(argv).output;
}

std::optional<QString> runAsTaskWithTerminationStatus(const QStringList &argv, int *status)
{
    TaskResult result = runTask(argv);
    if (status)
        *status = result.exitStatus;
    return result.output;
}

QString toolPath(const QString &name)
{
    if (const OssoryLib *lib = OssoryLib::shared()) {
        const QString resources = lib->resDir();
        if (!resources.isEmpty()) {
            const QFileInfo bundled(QDir(resources).filePath(name));
            if (bundled.isFile() && bundled.isExecutable())
                return bundled.absoluteFilePath();
        }
    }
    const QString onPath = QStandardPaths::findExecutable(name);
    return onPath.isEmpty() ? name : onPath;
}

} // namespace tavrel
