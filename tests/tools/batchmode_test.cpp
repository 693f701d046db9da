// SPDX-License-Identifier: GPL-3.0-or-later
// The real tavrel program in batch mode, as a cron job starts it: no display, no session bus,
// the user's settings file in a home of the test's own.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "../unit/qtprinters.h"

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include "conversion/failureexplanation.h"
#include "moviemaker.h"
#include "testenvironment.h"

namespace tavrel::test {
namespace {

class BatchMode : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        QDir().mkpath(out());
        QDir().mkpath(home.path() + QStringLiteral("/.config/Ossory"));
        app.setProcessEnvironment(batchEnvironment(home.path()));
        app.setProgram(QStringLiteral(TAVREL_BINARY));
    }

    QString out() const { return home.path() + QStringLiteral("/out"); }

    // A one-second movie with AAC sound, made once per test and copied under other names.
    QString smallMovie(const QString &name)
    {
        const QString path = home.path() + u'/' + name;
        if (m_smallMovie.isEmpty()) {
            m_smallMovie = home.path() + QStringLiteral("/small.mkv");
            EXPECT_TRUE(makeMovie(testAudio() + h264Video(QStringLiteral("64x48"), 10)
                                      + QStringList{"-t", "0.4", "-c:a", "aac"},
                                  m_smallMovie));
        }
        EXPECT_TRUE(QFile::copy(m_smallMovie, path));
        return path;
    }

    // `body` runs for a conversion, the real ffmpeg (as $real) for everything else.
    void useFakeFfmpeg(const QString &body)
    {
        QProcessEnvironment env = app.processEnvironment();
        ASSERT_TRUE(useFakeConversion(env, home.path() + QStringLiteral("/tools"), body));
        app.setProcessEnvironment(env);
    }

    // The audio codecs of a file, as ffprobe names them.
    static QString audioCodecs(const QString &file)
    {
        QProcess probe;
        probe.start(QStringLiteral("ffprobe"),
                    {"-v", "error", "-select_streams", "a", "-show_entries", "stream=codec_name", "-of",
                     "default=noprint_wrappers=1:nokey=1", file});
        EXPECT_TRUE(probe.waitForFinished(30000));
        return QString::fromUtf8(probe.readAll()).trimmed();
    }
    QString settingsFile() const { return home.path() + QStringLiteral("/.config/Ossory/Tavrel.conf"); }

    // Runs to the end; standard output and error apart.
    int runBatch(const QStringList &arguments)
    {
        app.setArguments(arguments);
        app.start();
        EXPECT_TRUE(app.waitForFinished(120000));
        output = QString::fromUtf8(app.readAllStandardOutput());
        errors = QString::fromUtf8(app.readAllStandardError());
        return app.exitStatus() == QProcess::NormalExit ? app.exitCode() : -1;
    }

    QTemporaryDir home;
    QProcess app;
    QString output;
    QString errors;

private:
    QString m_smallMovie;
};

TEST_F(BatchMode, ThreeMoviesOneFakeGiveTwoMp4FilesAndStatusOne)
{
    const QString first = home.path() + QStringLiteral("/First Movie.mkv");
    // English first, German second: the language option picks the German track.
    ASSERT_TRUE(makeMovie(testAudio() + testAudio() + h264Video(QStringLiteral("64x48"), 25)
                              + QStringList{"-t", "1", "-map", "2:v", "-map", "0:a", "-map", "1:a", "-c:a", "ac3",
                                            "-metadata:s:a:0", "language=eng", "-metadata:s:a:1", "language=ger"},
                          first));
    const QString second = home.path() + QStringLiteral("/-second.mkv");
    ASSERT_TRUE(QFile::copy(first, second));
    const QString fake = home.path() + QStringLiteral("/fake.mkv");
    {
        QFile f(fake);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a movie\n");
    }
    const QByteArray userSettings = "[General]\nAC3Downmix=0\nDefaultAudio=4\n";
    {
        QFile conf(settingsFile());
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write(userSettings);
    }

    const int status =
        runBatch({"--batch", "--output", out(), "--audio-language", "de", "--ac3-downmix", first, fake, "--", second});
    EXPECT_EQ(status, 1) << output.toStdString() << errors.toStdString();
    QStringList made = QDir(out()).entryList({QStringLiteral("*.mp4")}, QDir::Files);
    made.sort();
    EXPECT_EQ(made, (QStringList{"-second.mp4", "First Movie.mp4"}));
    EXPECT_TRUE(output.contains(QStringLiteral("Finished: First Movie.mkv -> %1/First Movie.mp4").arg(out())))
        << output.toStdString();
    EXPECT_TRUE(output.contains("Finished: -second.mkv")) << output.toStdString();
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
                {"-v", "error", "-select_streams", "a", "-show_entries", "stream_tags=language", "-of",
                 "default=noprint_wrappers=1:nokey=1", out() + QStringLiteral("/First Movie.mp4")});
    ASSERT_TRUE(probe.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(probe.readAll()).trimmed(), "ger");
    // Not a terminal: plain lines, no progress redrawn in place.
    EXPECT_FALSE(output.contains(u'\r'));
    EXPECT_TRUE(errors.contains("Failed: fake.mkv: Invalid data found when processing input")) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("Not converted: ") + fake)) << errors.toStdString();

    // The options applied to this run only.
    QFile conf(settingsFile());
    ASSERT_TRUE(conf.open(QIODevice::ReadOnly));
    EXPECT_EQ(conf.readAll(), userSettings);
}

TEST_F(BatchMode, EveryMovieConvertedGivesStatusZero)
{
    const QString movie = home.path() + QStringLiteral("/Only.mkv");
    ASSERT_TRUE(makeMovie(
        testAudio() + h264Video(QStringLiteral("64x48"), 10) + QStringList{"-t", "0.4", "-c:a", "aac"}, movie));
    EXPECT_EQ(runBatch({"--batch", "--output", out(), movie}), 0) << errors.toStdString();
    EXPECT_TRUE(QFileInfo::exists(out() + QStringLiteral("/Only.mp4")));
    // No settings file of the user's appears.
    EXPECT_FALSE(QFileInfo::exists(settingsFile()));
}

TEST_F(BatchMode, BadCommandLinesGiveStatusTwo)
{
    EXPECT_EQ(runBatch({"--batch", "movie.mkv"}), 2);
    EXPECT_TRUE(errors.contains("--output DIR is required"));
    EXPECT_EQ(runBatch({"--batch", "--output", home.path() + "/missing", "movie.mkv"}), 2);
    EXPECT_TRUE(errors.contains("does not exist"));
    EXPECT_EQ(runBatch({"--batch", "--output", out()}), 2);
    EXPECT_EQ(runBatch({"--batch", "--output", out(), "--audio-language", "Klingonese", "m.mkv"}), 2);
    EXPECT_EQ(runBatch({"--batch", "--output", out(), "--fast", "m.mkv"}), 2);
    EXPECT_TRUE(errors.contains("unknown option --fast"));
    // After "--" it is a file name, not a request for the usage.
    EXPECT_EQ(runBatch({"--batch", "--", "--help"}), 2);
    // Subtitle files alone: nothing would be converted.
    EXPECT_EQ(runBatch({"--batch", "--output", out(), "Movie.srt", "Movie.en.ass"}), 2);
    EXPECT_TRUE(errors.contains("no movie given, only subtitle files")) << errors.toStdString();
}

TEST_F(BatchMode, VersionNeedsNoOutputFolder)
{
    EXPECT_EQ(runBatch({"--batch", "--version"}), 0) << errors.toStdString();
    EXPECT_TRUE(output.startsWith("Tavrel ")) << output.toStdString();
    EXPECT_TRUE(output.contains("\nffmpeg: ")) << output.toStdString();
}

TEST_F(BatchMode, InterruptStopsFfmpegAndDeletesItsPartialOutput)
{
    const QString movie = home.path() + QStringLiteral("/Long.mkv");
    ASSERT_TRUE(makeMovie(
        testAudio() + h264Video(QStringLiteral("64x48"), 10) + QStringList{"-t", "0.4", "-c:a", "ac3"}, movie));
    // An ffmpeg that probes for real but, converting, writes part of the output and waits.
    const QString pidFile = home.path() + QStringLiteral("/ffmpeg.pid");
    useFakeFfmpeg(QStringLiteral("echo partial > \"$dest\"\n"
                                 "echo $$ > '%1.tmp' && mv '%1.tmp' '%1'\n"
                                 "exec sleep 600\n")
                      .arg(pidFile));
    app.setArguments({"--batch", "--output", out(), movie});
    app.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(pidFile); }, 60000))
        << app.readAllStandardError().toStdString();
    QFile pid(pidFile);
    ASSERT_TRUE(pid.open(QIODevice::ReadOnly));
    const pid_t ffmpeg = pid_t(pid.readAll().trimmed().toInt());
    ASSERT_GT(ffmpeg, 0);
    // ffmpeg writes a hidden file; the final name appears only once the output is checked.
    const QDir folder(out());
    const auto files = [&] { return folder.entryList(QDir::Files | QDir::Hidden | QDir::System); };
    ASSERT_EQ(files().size(), 1);
    EXPECT_TRUE(files().first().endsWith(QStringLiteral(".partial.mp4")));
    EXPECT_FALSE(QFileInfo::exists(out() + QStringLiteral("/Long.mp4")));

    ::kill(pid_t(app.processId()), SIGINT);
    ASSERT_TRUE(app.waitForFinished(10000));
    EXPECT_EQ(app.exitCode(), 128 + SIGINT);
    EXPECT_EQ(files(), QStringList());
    EXPECT_TRUE(QFileInfo::exists(movie));
    // The fake is gone once the parent reaps it; no sleep lingers.
    EXPECT_TRUE(QTest::qWaitFor([&] { return ::kill(ffmpeg, 0) != 0; }, 10000));
}

// A reader that closes early (| head -n 1) costs the lines it no longer reads, nothing else:
// every movie is still converted and the status still tells.
TEST_F(BatchMode, ClosedOutputStopsNoConversion)
{
    const QString first = smallMovie(QStringLiteral("a.mkv"));
    const QString second = smallMovie(QStringLiteral("b.mkv"));
    const QString fake = home.path() + QStringLiteral("/fake.mkv");
    {
        QFile f(fake);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a movie\n");
    }
    const QString binary = app.program();
    app.setProgram(QStringLiteral("bash"));
    const int status = runBatch({"-c", "\"$0\" \"$@\" 2>&1 | head -n 1; exit ${PIPESTATUS[0]}", binary, "--batch",
                                 "--output", out(), first, fake, second});
    EXPECT_EQ(status, 1) << output.toStdString() << errors.toStdString();
    EXPECT_EQ(output.count(u'\n'), 1) << output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(out() + QStringLiteral("/a.mp4")));
    EXPECT_TRUE(QFileInfo::exists(out() + QStringLiteral("/b.mp4")));
    EXPECT_EQ(audioCodecs(out() + QStringLiteral("/b.mp4")), "aac");
}

// The same movie twice: one copy finishes, the other fills the disk as ffmpeg writes the index
// (ffmpeg then ends with status 0). The batch exits 1 and names the full disk.
TEST_F(BatchMode, OneFailedCopyOfAMovieGivenTwiceGivesStatusOne)
{
    const QString movie = smallMovie(QStringLiteral("Twice.mkv"));
    const QString marker = home.path() + QStringLiteral("/converted-once");
    useFakeFfmpeg(QStringLiteral("if [ ! -e '%1' ]; then : > '%1'; exec \"$real\" \"$@\"; fi\n"
                                 "\"$real\" \"$@\" || exit\n"
                                 ": > \"$dest\"\n"
                                 "echo \"Error writing trailer of $dest: No space left on device\" >&2\n")
                      .arg(marker));
    EXPECT_EQ(runBatch({"--batch", "--output", out(), movie, movie}), 1)
        << output.toStdString() << errors.toStdString();
    EXPECT_EQ(output.count(QStringLiteral("Finished: Twice.mkv")), 1) << output.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("Failed: Twice.mkv: ") + kFullDiskMessage)) << errors.toStdString();
    // The failed job's partial output went at once, leaving its room to the next movie.
    EXPECT_EQ(QDir(out()).entryList(QDir::Files | QDir::Hidden), QStringList{"Twice.mp4"});
}

// A name with a line feed, an escape sequence or a direction override shows as it is in every
// kind of line: job lines, alerts, Qt's own messages and a refused command line.
TEST_F(BatchMode, NamesAreShownEscapedInEveryLine)
{
    const struct
    {
        QString name;
        QString shown;
    } rows[] = {
        {QStringLiteral("two\nlines\x1b[2J\u2028"), QStringLiteral("two\\nlines\\x1b[2J\\u2028")},
        {QStringLiteral("evil\u202Egnp.exe"), QStringLiteral("evil\\u202egnp.exe")},
        {QStringLiteral("\x1b]0;retitled\x07 \u2066x\u2069"), QStringLiteral("\\x1b]0;retitled\\x07 \\u2066x\\u2069")},
        {QStringLiteral("bad\rname"), QStringLiteral("bad\\rname")},
    };
    QStringList arguments{"--batch", "--output", out()};
    for (const auto &row : rows) {
        const QString movie = smallMovie(row.name + QStringLiteral(".mkv"));
        QFile subtitle(home.path() + u'/' + row.name + QStringLiteral(".srt"));
        ASSERT_TRUE(subtitle.open(QIODevice::WriteOnly));
        subtitle.write("1\n00:00:00,000 --> 00:00:00,300\nHello\n");
        subtitle.close();
        QFile fake(home.path() + u'/' + row.name + QStringLiteral(" bad.mkv"));
        ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
        fake.write("this is not a movie\n");
        fake.close();
        const QString fifo = home.path() + u'/' + row.name + QStringLiteral(" pipe.mkv");
        ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        arguments << movie << subtitle.fileName() << fake.fileName() << fifo;
    }
    EXPECT_EQ(runBatch(arguments), 1) << errors.toStdString();
    const auto unsafe = [](const QString &text) {
        for (const QChar c : text)
            if ((c.unicode() < 0x20 && c != u'\n') || c.category() == QChar::Other_Format || c.unicode() == 0x2028)
                return true;
        return false;
    };
    const QString printed = output + errors;
    EXPECT_FALSE(unsafe(printed)) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("\n[alert] Tavrel: Tavrel cannot read “"))) << printed.toStdString();
    for (const auto &row : rows) {
        const QString shownPath = home.path() + u'/' + row.shown;
        const QString lines[] = {
            QStringLiteral("Finished: %1.mkv -> %2/%1.mp4\n").arg(row.shown, out()),
            QStringLiteral("Info: adding subtitles from file %1.srt\n").arg(shownPath),
            QStringLiteral("Failed: %1 bad.mkv: ").arg(row.shown),
            QStringLiteral("Not converted: %1 bad.mkv\n").arg(shownPath),
            QStringLiteral("“%1 pipe.mkv”").arg(row.shown), // in the one alert that names every pipe
        };
        for (const QString &line : lines)
            EXPECT_TRUE(printed.contains(line)) << line.toStdString() << "\nin:\n" << printed.toStdString();
    }
    for (const auto &row : rows) {
        EXPECT_EQ(runBatch({"--batch", "--output", home.path() + u'/' + row.name, "m.mkv"}), 2);
        EXPECT_TRUE(errors.startsWith(
            QStringLiteral("tavrel: the output folder %1/%2 does not exist\n").arg(home.path(), row.shown)))
            << errors.toStdString();
    }
}

// A language tag holding a line feed and a forged stream line must not change which stream is
// converted: the real stream 2 is DTS, and it must never be copied as if it were AAC.
TEST_F(BatchMode, ForgedStreamLineInALanguageTagChangesNoStream)
{
    // The tag continues the real line (it is joined), or forges a whole second copy of stream 2
    // (the report cannot be trusted: the movie is not converted).
    const struct
    {
        const char *name;
        const char *language;
        int status;
    } cases[] = {
        {"Joined", "eng\n    Stream #0:2(ger): Audio: aac", 0},
        {"Twice", "eng): Audio: aac\n    Stream #0:2(ger): Audio: aac", 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString movie = home.path() + u'/' + QString::fromUtf8(c.name) + QStringLiteral(".mkv");
        ASSERT_TRUE(makeMovie(testAudio() + h264Video(QStringLiteral("64x48"), 10)
                                  + QStringList{"-t",
                                                "0.4",
                                                "-map",
                                                "1:v",
                                                "-map",
                                                "0:a",
                                                "-map",
                                                "0:a",
                                                "-c:a:0",
                                                "aac",
                                                "-metadata:s:a:0",
                                                QStringLiteral("language=") + c.language,
                                                "-strict",
                                                "-2",
                                                "-c:a:1",
                                                "dca",
                                                "-ac:a:1",
                                                "6",
                                                "-channel_layout:a:1",
                                                "5.1(side)"},
                              movie));
        EXPECT_EQ(runBatch({"--batch", "--output", out(), "--video", "copy", movie}), c.status) << errors.toStdString();
        const QString converted = out() + u'/' + QString::fromUtf8(c.name) + QStringLiteral(".mp4");
        if (c.status == 0) {
            const QString codec = audioCodecs(converted);
            EXPECT_TRUE(codec == "aac" || codec == "ac3") << codec.toStdString();
        } else {
            EXPECT_FALSE(QFileInfo::exists(converted));
            EXPECT_TRUE(errors.contains("could not be read")) << errors.toStdString();
        }
    }
}

// Two batches convert different movies of one name into one folder at once: each keeps its own
// output, every time.
TEST_F(BatchMode, RacingBatchesIntoOneFolderKeepBothOutputs)
{
    QStringList movies;
    for (const QString &size : {QStringLiteral("64x48"), QStringLiteral("80x64")}) {
        const QString folder = home.path() + u'/' + size;
        QDir().mkpath(folder);
        movies.append(folder + QStringLiteral("/m.mkv"));
        ASSERT_TRUE(
            makeMovie(testAudio() + h264Video(size, 10) + QStringList{"-t", "0.4", "-c:a", "aac"}, movies.last()));
    }
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        QProcess other;
        other.setProcessEnvironment(app.processEnvironment());
        other.setProgram(app.program());
        other.setArguments({"--batch", "--output", out(), movies.at(1)});
        other.start();
        EXPECT_EQ(runBatch({"--batch", "--output", out(), movies.at(0)}), 0) << errors.toStdString();
        ASSERT_TRUE(other.waitForFinished(120000));
        EXPECT_EQ(other.exitCode(), 0) << other.readAllStandardError().toStdString();
        QStringList sizes;
        for (const QString &name : QDir(out()).entryList(QDir::Files | QDir::Hidden)) {
            QProcess probe;
            probe.start("ffprobe",
                        {"-v", "error", "-show_entries", "stream=width", "-of", "csv=p=0", out() + u'/' + name});
            probe.waitForFinished(30000);
            sizes.append(QString::fromUtf8(probe.readAll()).trimmed());
            QFile::remove(out() + u'/' + name);
        }
        sizes.sort();
        EXPECT_EQ(sizes, (QStringList{"64", "80"}));
    }
}

// Output names that could not be written before: a link planted at the name, a 255-byte movie
// name, and a Documents folder that is no folder at all or a read-only one.
TEST_F(BatchMode, OutputNamesThatAreLinksLongOrWithoutDocumentsFolder)
{
    const QString victim = home.path() + QStringLiteral("/victim.mp4");
    ASSERT_TRUE(QFile::link(victim, out() + QStringLiteral("/Linked.mp4"))); // dangling
    const QString linked = smallMovie(QStringLiteral("Linked.mkv"));
    const QString longName = smallMovie(QString(251, u'x') + QStringLiteral(".mkv"));
    QFile documents(home.path() + QStringLiteral("/Documents"));
    ASSERT_TRUE(documents.open(QIODevice::WriteOnly));
    documents.close();

    EXPECT_EQ(runBatch({"--batch", "--output", out(), linked, longName}), 0) << errors.toStdString();
    EXPECT_FALSE(QFileInfo::exists(victim)) << "written through the link";
    EXPECT_EQ(QFileInfo(out() + QStringLiteral("/Linked.mp4")).symLinkTarget(), victim);
    EXPECT_GT(QFileInfo(out() + QStringLiteral("/Linked-0.mp4")).size(), 0) << output.toStdString();
    EXPECT_GT(QFileInfo(out() + u'/' + QString(251, u'x') + QStringLiteral(".mp4")).size(), 0);

    // A Documents folder that cannot be written: root ignores permissions, not the immutable flag.
    ASSERT_TRUE(documents.remove());
    const QString folder = documents.fileName();
    ASSERT_TRUE(QDir().mkdir(folder));
    const bool root = ::geteuid() == 0;
    const auto readOnly = [&](bool on) {
        if (!root)
            return QFile::setPermissions(folder,
                                         on ? QFile::ReadOwner | QFile::ExeOwner
                                            : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return QProcess::execute(QStringLiteral("chattr"), {on ? QStringLiteral("+i") : QStringLiteral("-i"), folder})
            == 0;
    };
    ASSERT_TRUE(readOnly(true)) << "chattr (Debian package e2fsprogs) could not make " << folder.toStdString()
                                << " read-only";
    const auto writable = qScopeGuard([&] { readOnly(false); });
    ASSERT_FALSE(QFile(folder + QStringLiteral("/probe")).open(QIODevice::WriteOnly)) << "the folder is writable";
    EXPECT_EQ(runBatch({"--batch", "--output", out(), smallMovie(QStringLiteral("Read Only.mkv"))}), 0)
        << errors.toStdString();
    EXPECT_GT(QFileInfo(out() + QStringLiteral("/Read Only.mp4")).size(), 0) << output.toStdString();
}

// Killed outright, Tavrel takes its ffmpeg with it; the next run into the folder deletes the
// partial output left behind, and never that of a run still converting there.
TEST_F(BatchMode, FfmpegEndsWhenTavrelIsKilled)
{
    const auto partials = [&] {
        return QDir(out()).entryList({QStringLiteral(".tavrel-*")}, QDir::Files | QDir::Hidden);
    };
    // Another batch converts into the same folder all along.
    const QProcessEnvironment realTools = app.processEnvironment();
    QProcess running;
    QProcessEnvironment slow = realTools;
    ASSERT_TRUE(useFakeConversion(slow, home.path() + QStringLiteral("/slow"), slowConversion()));
    running.setProcessEnvironment(slow);
    running.start(QStringLiteral(TAVREL_BINARY),
                  {"--batch", "--output", out(), smallMovie(QStringLiteral("Running.mkv"))});
    const auto stopRunning = qScopeGuard([&] {
        running.kill();
        running.waitForFinished(10000);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return partials().size() == 1; }, 60000));
    const QStringList runningPartial = partials();

    const QString pidFile = home.path() + QStringLiteral("/ffmpeg.pid");
    useFakeFfmpeg(QStringLiteral("echo partial > \"$dest\"\necho $$ > '%1.tmp' && mv '%1.tmp' '%1'\nexec sleep 600\n")
                      .arg(pidFile));
    app.setArguments({"--batch", "--output", out(), smallMovie(QStringLiteral("Killed.mkv"))});
    app.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(pidFile); }, 60000));
    QFile pid(pidFile);
    ASSERT_TRUE(pid.open(QIODevice::ReadOnly));
    const pid_t ffmpeg = pid_t(pid.readAll().trimmed().toInt());
    ASSERT_GT(ffmpeg, 0);
    ::kill(pid_t(app.processId()), SIGKILL);
    ASSERT_TRUE(app.waitForFinished(10000));
    // Gone, or a zombie waiting for its new parent to reap it.
    const auto ended = [ffmpeg] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(ffmpeg));
        if (!stat.open(QIODevice::ReadOnly))
            return true;
        const QByteArray text = stat.readAll();
        return text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
    };
    EXPECT_TRUE(QTest::qWaitFor(ended, 10000));

    QStringList left = partials();
    ASSERT_EQ(left.size(), 2);
    left.removeOne(runningPartial.first());
    app.setProcessEnvironment(realTools);
    EXPECT_EQ(runBatch({"--batch", "--output", out(), smallMovie(QStringLiteral("Next.mkv"))}), 0)
        << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("tavrel: removed %1/%2, the unfinished output of a run that has ended")
                                    .arg(out(), left.first())))
        << errors.toStdString();
    EXPECT_EQ(partials(), runningPartial) << "the running batch's partial output stays";
}

} // namespace
} // namespace tavrel::test
