// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>
#include <gtest/gtest.h>

#include "../unit/qtprinters.h"

#include "inspection/runastask.h"
#include "inspection/runningtools.h"
#include "support/ossorylib.h"
#include "testenvironment.h"

using namespace tavrel;

namespace {

QStringList shell(const QString &script)
{
    return {QStringLiteral("/bin/sh"), QStringLiteral("-c"), script};
}

void writeScript(const QString &path, const QByteArray &body, bool executable)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body);
    file.close();
    QFile::Permissions perms = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        perms |= QFile::ExeOwner;
    file.setPermissions(perms);
}

TEST(RunTask, MergesBothChannelsInOrder)
{
    const TaskResult result = runTask(shell(QStringLiteral("echo one; echo two >&2; echo three")));
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.output, QStringLiteral("one\ntwo\nthree\n"));
    EXPECT_EQ(result.exitStatus, 0);
}

TEST(RunTask, PassesArgumentsVerbatim)
{
    const QStringList awkward = {"-x.mkv", "with space", "it's \"quoted\"", "100% %@ $HOME", "Ünïcødé 名前", ""};
    const auto output = runAsTask(QStringList{"/bin/sh", "-c", "printf '[%s]\\n' \"$@\"", "sh"} + awkward);
    ASSERT_TRUE(output);
    QString expected;
    for (const QString &argument : awkward)
        expected += u'[' + argument + QStringLiteral("]\n");
    EXPECT_EQ(*output, expected);
}

TEST(RunTask, ReportsExitStatus)
{
    int status = -2;
    const auto output = runAsTaskWithTerminationStatus(shell(QStringLiteral("printf x; exit 3")), &status);
    EXPECT_EQ(output, QStringLiteral("x"));
    EXPECT_EQ(status, 3);
    EXPECT_EQ(runAsTaskWithTerminationStatus(shell(QStringLiteral("exit 0")), nullptr), QStringLiteral(""));
}

TEST(RunTask, BytesThatAreNotUtf8BecomeReplacementCharacters)
{
    // A Latin-1 title must not cost the report its streams.
    const TaskResult result =
        runTask(shell(QStringLiteral("printf 'title: Caf\\351\\nStream #0:0: Video: h264 \\377\\n'")));
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.output, QStringLiteral("title: Caf\uFFFD\nStream #0:0: Video: h264 \uFFFD\n"));
}

TEST(RunTask, LongOutputDoesNotBlockTheChild)
{
    // Far more than a pipe holds, on both channels.
    const auto output = runAsTask(shell(QStringLiteral("head -c 3000000 /dev/zero | tr '\\0' a; "
                                                       "head -c 3000000 /dev/zero | tr '\\0' b >&2")));
    ASSERT_TRUE(output);
    EXPECT_EQ(output->size(), 6000000);
    EXPECT_EQ(output->count(u'b'), 3000000);
}

TEST(RunTask, ChildGetsAnEmptyStandardInput)
{
    // A child reading its standard input sees its end at once instead of waiting on ours.
    const auto output = runAsTask(shell(QStringLiteral("cat; echo done")));
    EXPECT_EQ(output, QStringLiteral("done\n"));
}

TEST(RunTask, ProgramsThatCannotStartAreNamed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString notExecutable = dir.filePath(QStringLiteral("ffmpeg"));
    writeScript(notExecutable, "echo never\n", false);

    const struct
    {
        QString program;
        const char *reason;
    } cases[] = {
        {dir.filePath(QStringLiteral("mediainfo")), "does not exist"},
        {notExecutable, "is not executable"},
        {dir.path(), "is a folder"},
        {QStringLiteral("tavrel-no-such-tool"), "found neither"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.program.toStdString());
        const TaskResult result = runTask({c.program, QStringLiteral("-i"), QStringLiteral("x")});
        EXPECT_FALSE(result.started);
        EXPECT_FALSE(result.output);
        EXPECT_TRUE(result.startError.contains(QFileInfo(c.program).fileName())) << result.startError.toStdString();
        EXPECT_TRUE(result.startError.contains(QString::fromLatin1(c.reason))) << result.startError.toStdString();
    }
    EXPECT_FALSE(runTask({}).started);
}

TEST(ToolPath, ResourcesFirstThenSearchPathThenBareName)
{
    QTemporaryDir resources, bin;
    ASSERT_TRUE(resources.isValid() && bin.isValid());
    writeScript(resources.filePath(QStringLiteral("bundled")), "exit 0\n", true);
    writeScript(resources.filePath(QStringLiteral("broken")), "exit 0\n", false);
    writeScript(bin.filePath(QStringLiteral("broken")), "exit 0\n", true);
    writeScript(bin.filePath(QStringLiteral("bundled")), "exit 0\n", true);

    OssoryLib lib;
    const test::ScopedResourceDir resourceDir(resources.path());
    const test::ScopedEnv path("PATH", bin.path().toUtf8());

    EXPECT_EQ(toolPath(QStringLiteral("bundled")), resources.filePath(QStringLiteral("bundled")));
    // A resource that cannot be run is passed over.
    EXPECT_EQ(toolPath(QStringLiteral("broken")), bin.filePath(QStringLiteral("broken")));
    EXPECT_EQ(toolPath(QStringLiteral("elsewhere")), QStringLiteral("elsewhere"));
}

// Quitting ends a scan's tool even when it ignores SIGTERM (as one blocked opening a pipe does).
TEST(RunTask, QuittingKillsAToolThatIgnoresTermination)
{
    QTemporaryDir dir;
    const QString started = dir.filePath(QStringLiteral("started"));
    QFuture<TaskResult> scan = QtConcurrent::run([started] {
        return runTask(shell(QStringLiteral("trap '' TERM; : > '%1'; while :; do sleep 0.1; done").arg(started)));
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(started); }, 10000));
    terminateRunningTools();
    const bool ended = QTest::qWaitFor([&] { return scan.isFinished(); }, 10000);
    allowRunningTools();
    ASSERT_TRUE(ended);
}

} // namespace
