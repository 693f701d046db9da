// SPDX-License-Identifier: GPL-3.0-or-later
// The real tavrel program on a real X server, killed while a movie converts, with SIGKILL (a
// crash, a power cut) or SIGTERM (a logout): the journal on disk lists the converting job; the
// next launch asks whether to restore it, and answered with Return (Restore, the default) deletes
// the partial output and converts the movie from the beginning.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

#include "tavrelhome.h"
#include "app/jobjournal.h"
#include "testenvironment.h"
#include "xserver.h"

namespace tavrel::test {
namespace {

// Every top-level window on the server with exactly this title that is a dialog.
std::optional<QString> dialogTitled(const XServer &x, const QString &title)
{
    const std::optional<QString> tree =
        x.run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    const QString quoted = QLatin1Char(' ') + QLatin1Char('"') + title + QStringLiteral("\":");
    for (const QString &line : tree.value_or(QString()).split(QLatin1Char('\n'))) {
        const QString window = line.trimmed().section(QLatin1Char(' '), 0, 0);
        if (!line.contains(quoted))
            continue;
        const std::optional<QString> type =
            x.run(QStringLiteral("xprop"), {QStringLiteral("-id"), window, QStringLiteral("_NET_WM_WINDOW_TYPE")});
        if (type && type->contains(QStringLiteral("_NET_WM_WINDOW_TYPE_DIALOG")))
            return window;
    }
    return std::nullopt;
}

class KilledWindow : public ::testing::TestWithParam<int>
{
};

TEST_P(KilledWindow, TheKilledWindowsConvertingJobIsRestoredAndConvertedAtTheNextLaunch)
{
    const int signal = GetParam();
    XServer x;
    ASSERT_TRUE(x.start()) << "Xvfb (Debian package xvfb) could not be started: " << x.errors().toStdString();
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        << "xdotool (Debian package xdotool) is missing";
    TavrelHome home;
    ASSERT_TRUE(home.prepare());
    const QString out = home.out();
    const QString movie = home.movie();

    // The first launch's conversion is slow; the real ffmpeg reads the movie.
    QProcess app;
    QProcessEnvironment env = x.forTavrel(tavrelEnvironment(home.path()));
    const QString path = env.value(QStringLiteral("PATH"));
    ASSERT_TRUE(useFakeConversion(env, home.path() + QStringLiteral("/tools"), slowConversion()))
        << "ffmpeg is not installed";
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(QStringLiteral(TAVREL_BINARY), {QStringLiteral("--"), movie});
    ASSERT_TRUE(app.waitForStarted());

    const QString journalPath = home.path() + QStringLiteral("/.local/share/Tavrel/Queue.json");
    auto journal = [&] {
        QFile file(journalPath);
        return file.open(QIODevice::ReadOnly) ? journalEntries(file.readAll()).value_or(QList<JournalEntry>())
                                              : QList<JournalEntry>();
    };
    auto converting = [&]() -> std::optional<JournalEntry> {
        const QList<JournalEntry> entries = journal();
        if (entries.size() != 1 || entries.first().state != Converting)
            return std::nullopt;
        return entries.first();
    };
    // The fake writes into its output at once: the partial file has content once ffmpeg runs.
    ASSERT_TRUE(waitFor(
        [&] {
            const std::optional<JournalEntry> job = converting();
            return (job && QFileInfo(job->partialOutput).size() > 0) || app.state() == QProcess::NotRunning;
        },
        60000))
        << app.readAll().toStdString();
    ASSERT_EQ(app.state(), QProcess::Running) << app.readAll().toStdString();

    ::kill(pid_t(app.processId()), signal);
    ASSERT_TRUE(app.waitForFinished(10000));
    EXPECT_EQ(app.exitStatus(), signal == SIGKILL ? QProcess::CrashExit : QProcess::NormalExit)
        << app.readAll().toStdString();

    const std::optional<JournalEntry> job = converting();
    ASSERT_TRUE(job.has_value());
    EXPECT_EQ(job->request.source, movie);
    EXPECT_EQ(job->request.output.path, out + QStringLiteral("/Holiday.mp4"));
    EXPECT_EQ(job->request.destinationFolder, out);
    EXPECT_EQ(job->request.audioStreamId, 1);
    EXPECT_TRUE(isPartialOutputOf(job->partialOutput, job->request.output.path)) << job->partialOutput.toStdString();
    // A job removed at quit deletes its own partial output; a killed one cannot.
    EXPECT_EQ(QFileInfo::exists(job->partialOutput), signal == SIGKILL);
    EXPECT_FALSE(QFileInfo::exists(job->request.output.path)) << "nothing unchecked under the output's name";

    // The next launch, with the real ffmpeg, asks; Return answers Restore.
    env.insert(QStringLiteral("PATH"), path);
    QProcess next;
    next.setProcessEnvironment(env);
    next.setProcessChannelMode(QProcess::MergedChannels);
    next.start(QStringLiteral(TAVREL_BINARY), QStringList());
    ASSERT_TRUE(next.waitForStarted());
    std::optional<QString> question;
    ASSERT_TRUE(waitFor(
        [&] {
            return (question = dialogTitled(x, QStringLiteral("Tavrel"))).has_value()
                || next.state() == QProcess::NotRunning;
        },
        60000))
        << next.readAll().toStdString();
    ASSERT_TRUE(question.has_value()) << next.readAll().toStdString();
    ASSERT_TRUE(x.run(QStringLiteral("xdotool"),
                      {QStringLiteral("windowfocus"), QStringLiteral("--sync"), *question, QStringLiteral("key"),
                       QStringLiteral("Return")}))
        << "xdotool could not press Return in the question";

    // Published only once its output check has passed.
    const QString mp4 = out + QStringLiteral("/Holiday.mp4");
    ASSERT_TRUE(waitFor([&] { return QFileInfo(mp4).size() > 0 || next.state() == QProcess::NotRunning; }, 120000))
        << next.readAll().toStdString();
    EXPECT_FALSE(QFileInfo::exists(job->partialOutput)) << "the killed run's partial output stays";
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Holiday.mp4")});

    ::kill(pid_t(next.processId()), SIGTERM);
    ASSERT_TRUE(next.waitForFinished(30000));
    EXPECT_EQ(next.exitCode(), 0) << next.readAll().toStdString();
    EXPECT_TRUE(planRestore(journal(), [](const QString &) { return true; }).restore.isEmpty())
        << "a finished job is offered again";
}

INSTANTIATE_TEST_SUITE_P(Signals, KilledWindow, ::testing::Values(SIGKILL, SIGTERM),
                         [](const ::testing::TestParamInfo<int> &signal) {
                             return std::string(signal.param == SIGKILL ? "SIGKILL" : "SIGTERM");
                         });

} // namespace
} // namespace tavrel::test
