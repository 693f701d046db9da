// SPDX-License-Identifier: GPL-3.0-or-later
// The watched folder's plain rules: when a movie is complete, what the state file holds, who
// writes a file, and the --watch command line.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "batch/batchoptions.h"
#include "batch/watchfolder.h"
#include "batch/watchstate.h"
#include "qtprinters.h"

using namespace tavrel;

namespace {
QStringList watchReadyMovies(const WatchDecision &decision)
{
    QStringList movies;
    for (const WatchCandidate &candidate : decision.ready)
        movies.append(candidate.subtitles.isEmpty()
                          ? candidate.movie
                          : QString(candidate.movie + QStringLiteral(" + ") + candidate.subtitles.join(u',')));
    return movies;
}
} // namespace

TEST(WatchFolder, SightingsKeepTheirTimeOnlyWhileUnchanged)
{
    const Sightings earlier{{"/in/same.mkv", {{10, 1}, 100}},
                            {"/in/grown.mkv", {{10, 1}, 100}},
                            {"/in/touched.mkv", {{10, 1}, 100}},
                            {"/in/gone.mkv", {{10, 1}, 100}}};
    const Sightings now = updatedSightings(
        earlier,
        {{"/in/same.mkv", {10, 1}}, {"/in/grown.mkv", {20, 1}}, {"/in/touched.mkv", {10, 2}}, {"/in/new.mkv", {5, 1}}},
        500);
    EXPECT_EQ(now.value("/in/same.mkv").since, 100);
    EXPECT_EQ(now.value("/in/grown.mkv").since, 500);
    EXPECT_EQ(now.value("/in/touched.mkv").since, 500);
    EXPECT_EQ(now.value("/in/new.mkv").since, 500);
    EXPECT_FALSE(now.contains("/in/gone.mkv"));
}

TEST(WatchFolder, ReadyOnceSettledUnwrittenAndNotHandled)
{
    const qint64 settle = 5000;
    const FileStamp stamp{100, 7};
    const struct
    {
        const char *name;
        Sightings sightings;
        QSet<QString> writing;
        WatchState state;
        QStringList ready;
        qsizetype waiting;
        qsizetype handled;
        qint64 nextCheck;
    } rows[] = {
        {"settled", {{"/in/a.mkv", {stamp, 0}}}, {}, {}, {"/in/a.mkv"}, 0, 0, -1},
        {"settling", {{"/in/a.mkv", {stamp, 8000}}}, {}, {}, {}, 1, 0, 3000},
        {"being written", {{"/in/a.mkv", {stamp, 0}}}, {"/in/a.mkv"}, {}, {}, 1, 0, settle},
        {"converted before", {{"/in/a.mkv", {stamp, 0}}}, {}, {{"/in/a.mkv", {stamp, true}}}, {}, 0, 1, -1},
        {"failed before", {{"/in/a.mkv", {stamp, 0}}}, {}, {{"/in/a.mkv", {stamp, false}}}, {}, 0, 1, -1},
        {"changed since", {{"/in/a.mkv", {stamp, 0}}}, {}, {{"/in/a.mkv", {{100, 8}, false}}}, {"/in/a.mkv"}, 0, 0, -1},
        {"with its subtitles",
         {{"/in/a.mkv", {stamp, 0}},
          {"/in/a.en.srt", {stamp, 0}},
          {"/in/a.srt", {stamp, 0}},
          {"/in/b.srt", {stamp, 0}}},
         {},
         {},
         {"/in/a.mkv + /in/a.en.srt,/in/a.srt"},
         0,
         0,
         -1},
        {"subtitle still arriving", {{"/in/a.mkv", {stamp, 0}}, {"/in/a.srt", {stamp, 9000}}}, {}, {}, {}, 1, 0, 4000},
        {"subtitle being written",
         {{"/in/a.mkv", {stamp, 0}}, {"/in/a.srt", {stamp, 0}}},
         {"/in/a.srt"},
         {},
         {},
         1,
         0,
         settle},
        {"in path order, earliest check",
         {{"/in/z/b.mp4", {stamp, 0}},
          {"/in/a.MKV", {stamp, 0}},
          {"/in/c.mov", {stamp, 6000}},
          {"/in/d.ogm", {stamp, 9000}}},
         {},
         {},
         {"/in/a.MKV", "/in/z/b.mp4"},
         2,
         0,
         1000},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const WatchDecision decision = decideWatch(row.sightings, row.writing, row.state, 10000, settle);
        EXPECT_EQ(watchReadyMovies(decision), row.ready);
        EXPECT_EQ(decision.waiting.size(), row.waiting);
        EXPECT_EQ(decision.handledBefore, row.handled);
        EXPECT_EQ(decision.nextCheck, row.nextCheck);
    }
}

TEST(WatchState, RoundTripsAndRefusesWhatIsNoStateFile)
{
    const WatchState state{{"/in/a b.mkv", {{123456789012, 1700000000123}, true}}, {"/in/ü.mkv", {{0, -5}, false}}};
    EXPECT_EQ(decodeWatchState(encodeWatchState(state)), state);
    EXPECT_TRUE(isHandledAlready(state, "/in/a b.mkv", {123456789012, 1700000000123}));
    EXPECT_FALSE(isHandledAlready(state, "/in/a b.mkv", {123456789012, 1700000000124}));
    EXPECT_FALSE(isHandledAlready(state, "/in/other.mkv", {0, -5}));

    for (const char *text : {"", "[]", "{\"version\": 2, \"sources\": []}", "{\"version\": 1}", "{\"version\": 1, "})
        EXPECT_EQ(decodeWatchState(text), std::nullopt) << text;
    // Records that make no sense are left out, the rest kept.
    const auto mixed = decodeWatchState(R"({"version": 1, "sources": [
        {"path": "relative.mkv", "size": 1, "modified": 1, "result": "converted"},
        {"path": "/in/x.mkv", "size": "1", "modified": 1, "result": "converted"},
        {"path": "/in/y.mkv", "size": 1, "modified": 1, "result": "maybe"},
        {"path": "/in/z.mkv", "size": 1, "modified": 2, "result": "failed"}, 7]})");
    ASSERT_TRUE(mixed);
    EXPECT_EQ(*mixed, (WatchState{{"/in/z.mkv", {{1, 2}, false}}}));

    EXPECT_EQ(watchStateFile("/state", "/home/u"), "/state/Tavrel/watched.json");
    EXPECT_EQ(watchStateFile("", "/home/u"), "/home/u/.local/state/Tavrel/watched.json");
    EXPECT_EQ(watchStateFile("relative", "/home/u"), "/home/u/.local/state/Tavrel/watched.json");
}

TEST(WatchState, EachFolderWritesItsOwnRecordsAndWhatCannotBeReadIsKeptAside)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("state/Tavrel/watched.json");
    QString error;
    EXPECT_EQ(loadWatchState(file, &error), WatchState());
    EXPECT_EQ(error, QString());
    // Two watches share the file: each rewrites its own records, whole, and keeps the other's.
    const WatchState other{{"/other/b.mkv", {{3, 4}, false}}};
    ASSERT_TRUE(saveWatchState(file, "/other", other));
    const WatchState mine{{"/in/a.mkv", {{1, 2}, true}}, {"/in/sub/c.mkv", {{5, 6}, true}}};
    ASSERT_TRUE(saveWatchState(file, "/in", mine));
    EXPECT_EQ(watchRecordsBelow(loadWatchState(file), "/in"), mine);
    ASSERT_TRUE(saveWatchState(file, "/in", WatchState{{"/in/a.mkv", {{1, 2}, true}}}));
    EXPECT_EQ(loadWatchState(file), (WatchState{{"/in/a.mkv", {{1, 2}, true}}, {"/other/b.mkv", {{3, 4}, false}}}));
    EXPECT_EQ(QFileInfo(file).permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner);

    QFile garbled(file);
    ASSERT_TRUE(garbled.open(QIODevice::WriteOnly));
    garbled.write("{\"version\": 1, \"sour");
    garbled.close();
    EXPECT_EQ(loadWatchState(file, &error), WatchState());
    EXPECT_TRUE(error.contains("not a state file")) << error.toStdString();
    EXPECT_TRUE(QFile::exists(file + ".broken"));
    EXPECT_FALSE(QFile::exists(file));
}

TEST(WatchState, OnlyAFailureOfTheMovieItselfIsFinal)
{
    const QString fullDisk = "Error writing trailer of x.mp4: No space left on device";
    const QString refusal = "There is not enough free space on your target disk for conversion.";
    using enum WatchOutcome;
    const std::tuple<bool, bool, bool, QString, QString, WatchOutcome> rows[] = {
        {true, true, true, "", "", Converted},
        {false, true, true, "Invalid data found when processing input", "", Failed},
        {false, true, true, "", "Your target disk doesn't support large files.", Failed},
        {false, true, true, fullDisk, "", WaitForRoom},
        {false, true, true, refusal, refusal, WaitForRoom},
        {false, true, false, "No such file or directory", "", WaitForOutput},
        {false, false, true, fullDisk, "", Gone},
    };
    for (const auto &[converted, exists, available, output, problem, outcome] : rows)
        EXPECT_EQ(int(watchOutcome(converted, exists, available, output, problem)), int(outcome))
            << output.toStdString() << problem.toStdString();
}

TEST(WatchFolder, WritersAreFoundThroughProc)
{
    for (const auto &[flags, writing] :
         std::initializer_list<std::pair<const char *, bool>>{{"pos:\t0\nflags:\t0100000\nmnt_id:\t1\n", false},
                                                              {"pos:\t0\nflags:\t02100001\n", true},
                                                              {"flags:\t0100002\n", true},
                                                              {"flags:\tgarbage\n", false},
                                                              {"pos:\t0\n", false}})
        EXPECT_EQ(fdInfoOpensForWriting(flags), writing) << flags;

    // A /proc of two processes: 12 writes a.mkv and reads b.mkv; 34 cannot be looked into.
    QTemporaryDir proc;
    const QString a = proc.filePath("a.mkv");
    const QString b = proc.filePath("b.mkv");
    for (const char *folder : {"12/fd", "12/fdinfo", "34", "self"})
        QDir().mkpath(proc.filePath(folder));
    const auto descriptor = [&](const QString &fd, const QString &target, const QByteArray &fdinfo) {
        ASSERT_TRUE(QFile::link(target, proc.filePath("12/fd/" + fd)));
        QFile info(proc.filePath("12/fdinfo/" + fd));
        ASSERT_TRUE(info.open(QIODevice::WriteOnly));
        info.write(fdinfo);
    };
    descriptor("3", a, "flags:\t0100001\n");
    descriptor("4", b, "flags:\t0100000\n");
    descriptor("5", "socket:[1234]", "flags:\t02\n");
    EXPECT_EQ(filesOpenForWriting({a, b, proc.filePath("c.mkv")}, proc.path()), QSet<QString>{a});
    EXPECT_EQ(filesOpenForWriting({}, proc.path()), QSet<QString>());
}

TEST(WatchFolder, ScanListsMoviesAndSubtitlesButNotHiddenOrOutput)
{
    QTemporaryDir in;
    for (const char *folder : {"sub/deeper", "out", ".hidden"})
        QDir().mkpath(in.filePath(folder));
    for (const char *file :
         {"a.mkv", "a.srt", "notes.txt", ".tavrel-x.partial.mp4", "sub/deeper/b.MP4", "out/a.mp4", ".hidden/c.mkv"}) {
        QFile f(in.filePath(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("12345");
    }
    QStringList entered;
    const auto files = scanWatchedFolder(in.path(), in.filePath("out"), [&](const QString &f) { entered.append(f); });
    QStringList found = files.keys();
    found.sort();
    EXPECT_EQ(found, (QStringList{in.filePath("a.mkv"), in.filePath("a.srt"), in.filePath("sub/deeper/b.MP4")}));
    EXPECT_EQ(files.value(in.filePath("a.mkv")).size, 5);
    EXPECT_EQ(entered, (QStringList{in.path(), in.filePath("sub"), in.filePath("sub/deeper")}));
    // The output folder named through a link elsewhere is left out all the same.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::link(in.filePath("out"), elsewhere.filePath("out")));
    EXPECT_EQ(scanWatchedFolder(in.path(), elsewhere.filePath("out"), {}).size(), 3);
}

TEST(BatchOptions, WatchNeedsAnOutputAndAFolderAndNoFiles)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("in/out"));
    QFile plainFile(dir.filePath("file"));
    ASSERT_TRUE(plainFile.open(QIODevice::WriteOnly));
    const BatchOptions good =
        parseBatchOptions({"--batch", "--watch", "in", "--output", "in/out", "--subtitles"}, dir.path());
    EXPECT_EQ(good.error, QString());
    EXPECT_EQ(good.watchFolder, dir.filePath("in"));
    EXPECT_EQ(good.outputFolder, dir.filePath("in/out"));
    EXPECT_TRUE(good.subtitles);

    const struct
    {
        QStringList arguments;
        const char *error;
    } rows[] = {
        {{"--watch", "in"}, "--watch needs --output DIR, the folder the MP4 files go to"},
        {{"--watch", "file", "--output", "in"}, "the watched folder file is not a folder"},
        {{"--watch", "missing", "--output", "in"}, "the watched folder missing is not a folder"},
        {{"--watch", "in", "--output", "missing"}, "the output folder missing does not exist"},
        {{"--watch", "in", "--output", "in/out", "m.mkv"}, "--watch takes no movie files ("},
        {{"--watch", "in", "--output", "in/"}, "the output folder must not be the watched folder"},
        {{"--output", "in", "--watch"}, "--watch needs a value"},
    };
    for (const auto &row : rows)
        EXPECT_TRUE(parseBatchOptions(QStringList{"--batch"} + row.arguments, dir.path()).error.startsWith(row.error))
            << row.error;
    EXPECT_TRUE(batchUsage().contains("--watch IN"));
}
