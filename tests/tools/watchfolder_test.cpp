// SPDX-License-Identifier: GPL-3.0-or-later
// The real tavrel watching a folder, as its user service runs it: movies arrive in pieces, are
// converted once complete, once only, also across a restart; SIGTERM ends it cleanly.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "../unit/qtprinters.h"

#include <csignal>

#include "moviemaker.h"
#include "testenvironment.h"

namespace tavrel::test {
namespace {

class WatchedFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        QDir().mkpath(in());
        QDir().mkpath(out());
        QProcessEnvironment env = batchEnvironment(home.path());
        env.remove(QStringLiteral("XDG_STATE_HOME"));
        // Quick to settle; a movie still open for writing must wait however long that is.
        env.insert(QStringLiteral("TAVREL_WATCH_SETTLE_MS"), QStringLiteral("200"));
        app.setProcessEnvironment(env);
        app.setProgram(QStringLiteral(TAVREL_BINARY));
        app.setArguments({"--batch", "--watch", in(), "--output", out()});
    }

    void TearDown() override
    {
        if (app.state() != QProcess::NotRunning) {
            app.kill();
            app.waitForFinished(10000);
        }
    }

    QString in() const { return home.path() + QStringLiteral("/in"); }
    QString out() const { return home.path() + QStringLiteral("/out"); }
    QString stateFile() const { return home.path() + QStringLiteral("/.local/state/Tavrel/watched.json"); }

    void startWatch()
    {
        output.clear();
        errors.clear();
        app.start();
        ASSERT_TRUE(app.waitForStarted(30000));
    }

    // Waits until the watch has printed the text (on either stream).
    bool waitForLine(const QString &text)
    {
        const bool seen = QTest::qWaitFor(
            [&] {
                output += QString::fromUtf8(app.readAllStandardOutput());
                errors += QString::fromUtf8(app.readAllStandardError());
                return output.contains(text) || errors.contains(text) || app.state() == QProcess::NotRunning;
            },
            120000);
        return seen && (output.contains(text) || errors.contains(text));
    }

    // SIGTERM: status 0.
    void stopWatch()
    {
        ::kill(pid_t(app.processId()), SIGTERM);
        ASSERT_TRUE(app.waitForFinished(30000));
        output += QString::fromUtf8(app.readAllStandardOutput());
        errors += QString::fromUtf8(app.readAllStandardError());
        EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(app.exitCode(), 0) << errors.toStdString();
    }

    // A short movie with AAC sound, made once and copied.
    QByteArray movieBytes()
    {
        if (m_movie.isEmpty()) {
            const QString made = home.path() + QStringLiteral("/made.mkv");
            EXPECT_TRUE(makeMovie(
                testAudio() + h264Video(QStringLiteral("64x48"), 10) + QStringList{"-t", "0.4", "-c:a", "aac"}, made));
            QFile file(made);
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            m_movie = file.readAll();
        }
        return m_movie;
    }

    // Writes the movie in two pieces, held open between them until the watch has found it
    // complete-looking but still being written.
    void arriveInPieces(const QString &path)
    {
        const QByteArray bytes = movieBytes();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes.left(bytes.size() / 2)), bytes.size() / 2);
        ASSERT_TRUE(file.flush());
        ASSERT_TRUE(waitForLine(QStringLiteral("Being written: ") + path)) << output.toStdString();
        ASSERT_EQ(file.write(bytes.mid(bytes.size() / 2)), bytes.size() - bytes.size() / 2);
        file.close();
    }

    // Puts a whole movie into the folder at once, as a move from the same disk does.
    void arriveWhole(const QString &path)
    {
        const QString staged = home.path() + QStringLiteral("/staged.mkv");
        QFile file(staged);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(movieBytes()) > 0);
        file.close();
        ASSERT_TRUE(QFile::rename(staged, path));
    }

    QStringList outputs() const
    {
        QStringList names = QDir(out()).entryList(QDir::Files | QDir::Hidden);
        names.sort();
        return names;
    }

    QTemporaryDir home;
    QProcess app;
    QString output;
    QString errors;

private:
    QByteArray m_movie;
};

TEST_F(WatchedFolder, ConvertsArrivalsOnceAcrossARestart)
{
    // Without its output folder the line is refused.
    const QStringList arguments = app.arguments();
    app.setArguments({"--batch", "--watch", in()});
    app.start();
    ASSERT_TRUE(app.waitForFinished(30000));
    EXPECT_EQ(app.exitCode(), 2);
    EXPECT_TRUE(app.readAllStandardError().contains("tavrel: --watch needs --output DIR"));
    app.setArguments(arguments);

    startWatch();
    ASSERT_TRUE(waitForLine("Scan done: 0 to convert, 0 done before")) << output.toStdString();
    arriveInPieces(in() + QStringLiteral("/a.mkv"));
    // A folder made after the start is watched too.
    QDir().mkpath(in() + QStringLiteral("/later/deeper"));
    arriveInPieces(in() + QStringLiteral("/later/deeper/b.mkv"));
    // A subtitle file of the movie's name goes with it.
    QFile subtitle(in() + QStringLiteral("/later/c.srt"));
    ASSERT_TRUE(subtitle.open(QIODevice::WriteOnly));
    subtitle.write("1\n00:00:00,000 --> 00:00:00,300\nHello\n\n");
    subtitle.close();
    arriveInPieces(in() + QStringLiteral("/later/c.mkv"));
    for (const char *movie : {"a", "b", "c"})
        ASSERT_TRUE(waitForLine(QStringLiteral("Finished: %1.mkv -> %2/%1.mp4").arg(movie, out())))
            << output.toStdString() << errors.toStdString();
    EXPECT_EQ(outputs(), (QStringList{"a.mp4", "b.mp4", "c.mp4"}));
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
                {"-v", "error", "-select_streams", "s", "-show_entries", "stream=codec_name", "-of", "csv=p=0",
                 out() + QStringLiteral("/c.mp4")});
    ASSERT_TRUE(probe.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(probe.readAll()).trimmed(), "mov_text");
    stopWatch();
    EXPECT_TRUE(QFileInfo::exists(stateFile()));

    // Started again: nothing is converted a second time; a new movie is.
    startWatch();
    ASSERT_TRUE(waitForLine("Scan done: 0 to convert, 3 done before")) << output.toStdString();
    EXPECT_FALSE(output.contains("Finished:")) << output.toStdString();
    EXPECT_EQ(outputs(), (QStringList{"a.mp4", "b.mp4", "c.mp4"}));
    arriveWhole(in() + QStringLiteral("/later/d.mkv"));
    ASSERT_TRUE(waitForLine(QStringLiteral("Finished: d.mkv -> %1/d.mp4").arg(out()))) << output.toStdString();
    stopWatch();
    EXPECT_EQ(output.count("Finished:"), 1) << output.toStdString();
    EXPECT_EQ(outputs(), (QStringList{"a.mp4", "b.mp4", "c.mp4", "d.mp4"}));
}

// The watch lives through its folders and its state: one watch per folder, IN deleted and made
// again, OUT away for a while, a state file that cannot be read, and one that cannot be written.
TEST_F(WatchedFolder, LivesThroughItsFoldersAndItsState)
{
    startWatch();
    ASSERT_TRUE(waitForLine("Scan done: 0 to convert, 0 done before")) << output.toStdString();
    QProcess second;
    second.setProcessEnvironment(app.processEnvironment());
    second.start(app.program(), app.arguments());
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitCode(), 2);
    EXPECT_TRUE(second.readAllStandardError().contains("is watched by another tavrel already"));

    ASSERT_TRUE(QDir(in()).removeRecursively());
    ASSERT_TRUE(waitForLine(QStringLiteral("Watched folder gone: ") + in())) << output.toStdString();
    ASSERT_TRUE(QDir().mkpath(in()));
    ASSERT_TRUE(waitForLine(QStringLiteral("Watched folder back: ") + in())) << output.toStdString();
    arriveWhole(in() + QStringLiteral("/a.mkv"));
    ASSERT_TRUE(waitForLine(QStringLiteral("Finished: a.mkv"))) << output.toStdString() << errors.toStdString();
    EXPECT_EQ(output.count("Watched folder gone"), 1);

    const QString away = home.path() + QStringLiteral("/away");
    ASSERT_TRUE(QDir().rename(out(), away));
    arriveWhole(in() + QStringLiteral("/b.mkv"));
    ASSERT_TRUE(waitForLine(QStringLiteral("Waiting for the output folder: ") + out())) << output.toStdString();
    ASSERT_TRUE(QDir().rename(away, out()));
    ASSERT_TRUE(waitForLine(QStringLiteral("Finished: b.mkv"))) << output.toStdString() << errors.toStdString();
    stopWatch();

    // Unreadable: kept aside, and what OUT holds already is not made again.
    QFile state(stateFile());
    ASSERT_TRUE(state.open(QIODevice::WriteOnly) && state.write("{\"version\": 1, \"sour") > 0);
    state.close();
    startWatch();
    ASSERT_TRUE(waitForLine(QStringLiteral("Converted before: %1/b.mkv").arg(in()))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("Converted before: %1/a.mkv -> %2/a.mp4").arg(in(), out())));
    EXPECT_TRUE(errors.contains("is not a state file (kept as")) << errors.toStdString();
    stopWatch();
    EXPECT_EQ(outputs(), (QStringList{"a.mp4", "b.mp4"}));

    // Cannot be written: the watch says so and stops before converting anything.
    const QString stateFolder = QFileInfo(stateFile()).absolutePath();
    ASSERT_TRUE(QDir(stateFolder).removeRecursively());
    ASSERT_TRUE(QFile(stateFolder).open(QIODevice::WriteOnly));
    arriveWhole(in() + QStringLiteral("/c.mkv"));
    startWatch();
    ASSERT_TRUE(app.waitForFinished(30000));
    EXPECT_EQ(app.exitCode(), 1);
    EXPECT_TRUE(app.readAllStandardError().contains("; not watching"));
    EXPECT_EQ(outputs(), (QStringList{"a.mp4", "b.mp4"}));
}

// A stop during a conversion: ffmpeg ends, its partial output goes, the status is 0, and the
// movie is not recorded (the next start converts it).
TEST_F(WatchedFolder, TerminationDuringAConversionLeavesNoPartialOutput)
{
    QProcessEnvironment env = app.processEnvironment();
    ASSERT_TRUE(useFakeConversion(env, home.path() + QStringLiteral("/tools"), slowConversion()));
    app.setProcessEnvironment(env);

    const QString movie = in() + QStringLiteral("/slow.mkv");
    arriveWhole(movie);
    startWatch();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QStringList names = outputs();
            return names.size() == 1 && names.first().endsWith(QStringLiteral(".partial.mp4"));
        },
        120000))
        << app.readAllStandardOutput().toStdString() << app.readAllStandardError().toStdString();
    stopWatch();
    EXPECT_EQ(outputs(), QStringList());
    EXPECT_TRUE(errors.contains("stopped watching; unfinished output deleted")) << errors.toStdString();
    EXPECT_TRUE(QFileInfo::exists(movie));
    QFile state(stateFile());
    EXPECT_FALSE(state.open(QIODevice::ReadOnly) && state.readAll().contains("slow.mkv"));
}

} // namespace
} // namespace tavrel::test
