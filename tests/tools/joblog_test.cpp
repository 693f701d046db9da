// SPDX-License-Identifier: GPL-3.0-or-later
// A job's log in its viewer: the command line as a shell reads it and ffmpeg's output, growing
// while the job converts, opened from the failure explanation's "Show Log".
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "conversion/failureexplanation.h"
#include "controllertesting.h"
#include "ui/joblogviewer.h"
#include "ui/mainwindow.h"

namespace tavrel::test {
namespace {

TEST(JobLogText, CommandLineReadsBackInAShell)
{
    EXPECT_EQ(shellQuoted(QStringLiteral("-c:v")), QStringLiteral("-c:v"));
    EXPECT_EQ(shellQuoted(QStringLiteral("/m/My Movie.mkv")), QStringLiteral("'/m/My Movie.mkv'"));
    EXPECT_EQ(shellQuoted(QStringLiteral("it's")), QStringLiteral("'it'\\''s'"));
    EXPECT_EQ(shellQuoted(QString()), QStringLiteral("''"));
    EXPECT_EQ(jobLogText(QStringLiteral("/usr/bin/ffmpeg"), {QStringLiteral("-i"), QStringLiteral("a b.mkv")},
                         QStringLiteral("out\n")),
              QStringLiteral("$ /usr/bin/ffmpeg -i 'a b.mkv'\n\nout\n"));
    EXPECT_EQ(jobLogText(QString(), {}, QStringLiteral("USER_REMOVED")), QStringLiteral("USER_REMOVED"));
}

// Says something, waits for its cue, then fails with an error line.
const char *const kTalkativeFfmpeg = "#!/bin/sh\n"
                                     "for a in \"$@\"; do dest=\"$a\"; done\n"
                                     "echo 'Input #0, matroska,webm, from movie'\n"
                                     "while [ ! -e \"$dest.end\" ]; do sleep 0.02; done\n"
                                     "echo 'Error while decoding stream #0:1' >&2\n"
                                     "exit 1\n";

class JobLogTest : public ControllerTest
{
protected:
    JobLogTest()
    {
        writeFile(tools.resources() + QStringLiteral("/ffmpeg"), kTalkativeFfmpeg);
        platform.volumes.byPrefix.insert(QStringLiteral("/"), {quint64(1) << 40, std::nullopt});
        app.applicationDidFinishLaunching();
    }

    ScriptedPlatform platform;
    FakeTools tools;
    AppDelegate app;
};

TEST_F(JobLogTest, TheViewerFollowsTheOutputAndTheFailureExplanationOpensIt)
{
    MainWindow window(&app);
    const QString destination = tools.path(QStringLiteral("My Movie.mp4"));
    auto info = makeRecord(tools.movie(QStringLiteral("My Movie.mkv")));
    auto *job = test::jobFor(&app.queue(), info, destination);
    app.addJob(job);
    ASSERT_EQ(job->state(), Converting);

    JobLogViewer *viewer = window.showLog(job);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(window.showLog(job), viewer) << "one viewer per job";
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Log of My Movie.mkv"));
    EXPECT_TRUE(viewer->textView()->isReadOnly());
    const QString commandLine = QStringLiteral("$ ") + shellQuoted(job->program());
    EXPECT_TRUE(viewer->text().startsWith(commandLine + QStringLiteral(" -i ")
                                          + shellQuoted(tools.path(QStringLiteral("My Movie.mkv")))))
        << viewer->text().toStdString();
    // What ffmpeg said so far shows up while it still runs.
    EXPECT_TRUE(waitUntil([&] {
        return viewer->text().endsWith(shellQuoted(job->partialOutputPath())
                                       + QStringLiteral("\n\nInput #0, matroska,webm, from movie\n"));
    })) << viewer->text().toStdString();

    FakeTools::end(job);
    ASSERT_TRUE(waitUntil([&] { return job->state() == Failed; }));
    EXPECT_TRUE(viewer->text().endsWith(QStringLiteral("from movie\nError while decoding stream #0:1\n")))
        << viewer->text().toStdString();
    viewer->copyButton()->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), viewer->text());
    viewer->close(); // deleted on close

    // The explanation offers the log; choosing it opens the viewer again.
    platform.alerts.answers.enqueue({-1});
    job->reveal();
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(platform.alerts.shown.first().title, QStringLiteral("Information"));
    EXPECT_EQ(platform.alerts.shown.first().defaultButton, QStringLiteral("Send to support"));
    EXPECT_EQ(platform.alerts.shown.first().alternateButton, QStringLiteral("Cancel"));
    EXPECT_EQ(platform.alerts.shown.first().otherButton, kShowLogButton);
    auto *reopened = window.findChild<JobLogViewer *>();
    ASSERT_TRUE(waitUntil([&] { return (reopened = window.findChild<JobLogViewer *>()) && reopened->isVisible(); }));
    EXPECT_EQ(reopened->job(), job);
    EXPECT_TRUE(reopened->text().contains(QStringLiteral("Error while decoding")));
    EXPECT_TRUE(platform.workspace.opened.isEmpty()) << "no mail for Show Log";
}

} // namespace
} // namespace tavrel::test
