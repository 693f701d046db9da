// SPDX-License-Identifier: GPL-3.0-or-later
// The queue's journal: its file format, what a launch makes of an earlier run's journal, and the
// restore through the controller with scripted alerts and a scanner that runs no tool (the
// queue is paused, so no job launches).
#include <QJsonDocument>
#include <QSignalSpy>

#include <unistd.h>

#include "app/jobjournal.h"
#include "controllertesting.h"
#include "conversion/conversionjob.h"
#include "support/paths.h"

namespace tavrel::test {
namespace {

JournalEntry entry(const QString &source, qint32 state, const QString &destination = QString(),
                   const QString &partial = QString())
{
    JournalEntry e;
    e.request.source = source;
    e.state = state;
    e.request.output.path = destination.isEmpty() ? QStringLiteral("/out/x.mp4") : destination;
    e.partialOutput = partial;
    return e;
}

TEST(JobJournalFormat, EveryFieldSurvivesTheRoundTrip)
{
    JournalEntry full = entry(QStringLiteral("/m/Ünïcode \"quoted\"\nline.mkv"), Converting,
                              QStringLiteral("/out/A.mp4"), QStringLiteral("/out/.tavrel-Ab12Cd.partial.mp4"));
    full.request.subtitleFile = QStringLiteral("/m/A.srt");
    full.request.audioStreamId = 3;
    full.request.destinationFolder = QStringLiteral("/out");
    full.request.output.partSize = 4187593113;
    JournalEntry batch = entry(QStringLiteral("/m/b.mkv"), Queued);
    batch.request.audioStreamId = 0;
    batch.request.options = {.ac3Downmix = true,
                             .dtsDownmix = false,
                             .convertSubtitles = true,
                             .reencodeVideo = false,
                             .videoQuality = 18,
                             .videoSpeed = QStringLiteral("slow"),
                             .split = SplitChoice{SplitChoice::Mode::Size, 50 * 1024 * 1024}};
    const QList<QList<JournalEntry>> cases = {
        {},
        {entry(QStringLiteral("/m/a.mkv"), Queued)},
        {full},
        {batch, full},
        {entry(QStringLiteral("/m/1.mkv"), Queued), entry(QStringLiteral("/m/2.mkv"), Converting),
         entry(QStringLiteral("/m/3.mkv"), Paused), entry(QStringLiteral("/m/4.mkv"), Finished),
         entry(QStringLiteral("/m/5.mkv"), Failed)},
    };
    for (const QList<JournalEntry> &entries : cases) {
        const std::optional<QList<JournalEntry>> back = journalEntries(journalBytes(entries));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, entries) << journalBytes(entries).toStdString();
    }
    // Readable by people and other tools: states by name.
    EXPECT_TRUE(journalBytes({full}).contains("\"state\": \"converting\""));
    // An earlier version's journal names the track by its place in the list.
    const auto earlier = journalEntries(R"({"version": 1, "jobs": [{"source": "/m/a.mkv", "audioTrack": 2,)"
                                        R"( "destination": "/out/a.mp4", "state": "queued"}]})");
    ASSERT_TRUE(earlier && earlier->size() == 1);
    EXPECT_EQ(earlier->first().audioTrackIndex, 2);
    EXPECT_FALSE(earlier->first().request.audioStreamId);
}

TEST(JobJournalFormat, DamagedBytesAreNoJournalAndDamagedEntriesAreLeftOut)
{
    struct Case
    {
        QByteArray bytes;
        std::optional<QStringList> sources; // none: not a journal
    };
    const Case cases[] = {
        {"", std::nullopt},
        {"{\"version\": 1, \"jobs\": [", std::nullopt}, // cut short by a full disk
        {"[]", std::nullopt},
        {"{\"jobs\": {}}", std::nullopt},
        {"{\"jobs\": []}", QStringList{}},
        {"{\"jobs\": [{\"source\": \"/a.mkv\", \"state\": \"queued\"}, 7, {\"state\": \"queued\"},"
         " {\"source\": \"/b.mkv\", \"state\": \"sleeping\"}, {\"source\": \"/c.mkv\", \"state\": \"paused\","
         " \"audioTrack\": -4}]}",
         QStringList{QStringLiteral("/a.mkv"), QStringLiteral("/c.mkv")}},
    };
    for (const Case &c : cases) {
        const std::optional<QList<JournalEntry>> entries = journalEntries(c.bytes);
        ASSERT_EQ(entries.has_value(), c.sources.has_value()) << c.bytes.toStdString();
        if (!entries)
            continue;
        QStringList sources;
        for (const JournalEntry &e : *entries) {
            sources.append(e.request.source);
            EXPECT_EQ(e.audioTrackIndex.value_or(0), 0);
        }
        EXPECT_EQ(sources, *c.sources) << c.bytes.toStdString();
    }
}

TEST(JobJournalPlan, UnfinishedJobsComeBackQueuedWithoutTheirPartialOutput)
{
    const QString goodPartial = QStringLiteral("/out/.tavrel-x1Y2z3.partial.mp4");
    const QList<JournalEntry> entries = {
        entry(QStringLiteral("/m/queued.mkv"), Queued),
        entry(QStringLiteral("/m/converting.mkv"), Converting, QStringLiteral("/out/c.mp4"), goodPartial),
        entry(QStringLiteral("/m/paused.mkv"), Paused),
        entry(QStringLiteral("/m/finished.mkv"), Finished),
        entry(QStringLiteral("/m/failed.mkv"), Failed),
        entry(QStringLiteral("/m/gone.mkv"), Queued),
        // Partial outputs a damaged journal might name: none of them is deleted.
        entry(QStringLiteral("/m/f1.mkv"), Finished, QStringLiteral("/out/f1.mp4"), QStringLiteral("/home/u/.bashrc")),
        entry(QStringLiteral("/m/f2.mkv"), Finished, QStringLiteral("/out/f2.mp4"),
              QStringLiteral("/elsewhere/.tavrel-a.partial.mp4")),
        entry(QStringLiteral("/m/f3.mkv"), Finished, QStringLiteral("/out/f3.mp4"),
              QStringLiteral("/out/../etc/.tavrel-a.partial.mp4")),
        entry(QStringLiteral("/m/f4.mkv"), Finished, QStringLiteral("/out/f4.mp4"),
              QStringLiteral(".tavrel-a.partial.mp4")),
    };
    const RestorePlan plan =
        planRestore(entries, [](const QString &path) { return !path.endsWith(QStringLiteral("gone.mkv")); });

    QStringList restored;
    for (const JournalEntry &e : plan.restore) {
        restored.append(e.request.source);
        EXPECT_EQ(e.state, Queued);
        EXPECT_TRUE(e.partialOutput.isEmpty());
    }
    EXPECT_EQ(restored,
              (QStringList{QStringLiteral("/m/queued.mkv"), QStringLiteral("/m/converting.mkv"),
                           QStringLiteral("/m/paused.mkv")}));
    EXPECT_EQ(plan.missingSources, QStringList{QStringLiteral("/m/gone.mkv")});
    EXPECT_EQ(plan.partialsToDelete, QStringList{goodPartial});

    EXPECT_EQ(restoreQuestion(1), QStringLiteral("Restore 1 unfinished conversion?"));
    EXPECT_EQ(restoreQuestion(12), QStringLiteral("Restore 12 unfinished conversions?"));
}

class JobJournalRestore : public ControllerTest
{
protected:
    JobJournalRestore()
    {
        app.setScanner(scanner.scanner());
        app.pauseContinueClicked(&button);
        QDir().mkpath(out());
    }

    QString out() const { return dir.path() + QStringLiteral("/Out"); }
    QString journalPath() const { return dir.path() + QStringLiteral("/data/Tavrel/Queue.json"); }
    QString movie(const QString &name)
    {
        const QString path = dir.path() + u'/' + name;
        writeFile(path, "movie");
        return path;
    }
    void writeJournal(const QList<JournalEntry> &entries)
    {
        QDir().mkpath(QFileInfo(journalPath()).absolutePath());
        writeFile(journalPath(), journalBytes(entries));
    }
    QList<JournalEntry> onDisk() const
    {
        QFile file(journalPath());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return journalEntries(file.readAll()).value_or(QList<JournalEntry>{entry(QStringLiteral("damaged"), Failed)});
    }
    void restore(JobJournal &journal)
    {
        QSignalSpy done(&journal, &JobJournal::restoreFinished);
        journal.offerRestore();
        ASSERT_TRUE(done.size() > 0 || done.wait(10000));
    }

    ScriptedPlatform platform;
    QTemporaryDir dir;
    FakeScanner scanner;
    AppDelegate app;
    QObject button;
};

TEST_F(JobJournalRestore, RestoreQueuesTheUnfinishedJobsAndACleanQuitEmptiesTheJournal)
{
    const QString partial = out() + QStringLiteral("/.tavrel-Qw3rTy.partial.mp4");
    writeFile(partial, "half a movie");
    const QString finishedOutput = out() + QStringLiteral("/Done.mp4");
    writeFile(finishedOutput, "done");
    // A name taken since the crash goes to the next free one.
    writeFile(out() + QStringLiteral("/Later.mp4"), "someone else's");

    JournalEntry converting =
        entry(movie(QStringLiteral("Running.mkv")), Converting, out() + QStringLiteral("/Running.mp4"), partial);
    converting.request.audioStreamId = 2;
    converting.request.destinationFolder = out();
    JournalEntry queued = entry(movie(QStringLiteral("Later.mkv")), Queued, out() + QStringLiteral("/Later.mp4"));
    queued.request.subtitleFile = movie(QStringLiteral("Later.srt"));
    const JournalEntry paused = entry(movie(QStringLiteral("Held.mkv")), Paused, out() + QStringLiteral("/Held.mp4"));
    writeJournal({converting, queued, paused, entry(movie(QStringLiteral("Done.mkv")), Finished, finishedOutput),
                  entry(movie(QStringLiteral("Bad.mkv")), Failed, out() + QStringLiteral("/Bad.mp4")),
                  entry(dir.path() + QStringLiteral("/Gone.mkv"), Queued, out() + QStringLiteral("/Gone.mp4"))});
    scanner.audioByName.insert(QStringLiteral("Running.mkv"),
                               {QStringLiteral("#1: eng (ac3)"), QStringLiteral("#2: ger (aac)")});

    auto journal = std::make_unique<JobJournal>(app, journalPath(), scanner.scanner());
    restore(*journal);

    ASSERT_GE(platform.alerts.shown.size(), 2);
    const platform::AlertRequest &question = platform.alerts.shown.at(0);
    EXPECT_EQ(question.message, QStringLiteral("Restore 3 unfinished conversions?"));
    EXPECT_EQ(question.defaultButton, QStringLiteral("Restore"));
    EXPECT_EQ(question.alternateButton, QStringLiteral("Discard"));
    EXPECT_TRUE(platform.alerts.shown.at(1).message.contains(QStringLiteral("Gone.mkv")));

    EXPECT_FALSE(QFileInfo::exists(partial)) << "the interrupted job starts again from the beginning";
    EXPECT_TRUE(QFileInfo::exists(finishedOutput));
    EXPECT_EQ(scanner.scanned(),
              (QStringList{QStringLiteral("Running.mkv"), QStringLiteral("Later.mkv"), QStringLiteral("Held.mkv")}));

    ASSERT_EQ(app.taskArray().size(), 3);
    const ConversionJob *running = app.taskArray().at(0);
    EXPECT_EQ(running->state(), Queued);
    EXPECT_EQ(running->request().audioStreamId, 2); // the second track
    EXPECT_EQ(QUrl::fromLocalFile(running->outputPath()), QUrl::fromLocalFile(out() + QStringLiteral("/Running.mp4")));
    EXPECT_EQ(running->request().destinationFolder, out());
    EXPECT_EQ(platform.bookmarks.openAccess.value(out()), 1);
    const ConversionJob *later = app.taskArray().at(1);
    EXPECT_EQ(later->request().subtitleFile, queued.request.subtitleFile);
    EXPECT_EQ(QUrl::fromLocalFile(later->outputPath()), QUrl::fromLocalFile(out() + QStringLiteral("/Later-0.mp4")));
    EXPECT_EQ(app.taskArray().at(2)->fileInfo()->fileName, QStringLiteral("Held.mkv"));

    // The journal follows the queue from here on.
    QStringList sources;
    for (const JournalEntry &e : onDisk())
        sources.append(QFileInfo(e.request.source).fileName());
    EXPECT_EQ(sources,
              (QStringList{QStringLiteral("Running.mkv"), QStringLiteral("Later.mkv"), QStringLiteral("Held.mkv")}));
    app.taskArray().at(1)->remove();
    EXPECT_EQ(onDisk().size(), 2);

    app.applicationWillTerminate();
    EXPECT_TRUE(onDisk().isEmpty());
    EXPECT_EQ(platform.bookmarks.openAccess.value(out()), 0);

    // Nothing is offered after a clean quit.
    journal.reset();
    AppDelegate next;
    const qsizetype shown = platform.alerts.shown.size();
    JobJournal nextJournal(next, journalPath(), scanner.scanner());
    restore(nextJournal);
    EXPECT_EQ(platform.alerts.shown.size(), shown);
    EXPECT_TRUE(next.taskArray().isEmpty());
}

TEST_F(JobJournalRestore, DiscardDeletesThePartialOutputAndForgetsTheJobs)
{
    const QString partial = out() + QStringLiteral("/.tavrel-AbCdEf.partial.mp4");
    writeFile(partial, "half a movie");
    writeJournal({entry(movie(QStringLiteral("A.mkv")), Converting, out() + QStringLiteral("/A.mp4"), partial)});
    platform.alerts.answers.enqueue({0});

    JobJournal journal(app, journalPath(), scanner.scanner());
    restore(journal);

    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(platform.alerts.shown.at(0).message, QStringLiteral("Restore 1 unfinished conversion?"));
    EXPECT_FALSE(QFileInfo::exists(partial));
    EXPECT_TRUE(scanner.scanned().isEmpty());
    EXPECT_TRUE(app.taskArray().isEmpty());
    EXPECT_TRUE(onDisk().isEmpty());
}

TEST_F(JobJournalRestore, AMovieAddedMeanwhileKeepsItsPlaceInTheFilePanel)
{
    writeJournal({entry(movie(QStringLiteral("Old.mkv")), Queued, out() + QStringLiteral("/Old.mp4"))});
    scanner.hold(QStringLiteral("Old.mkv"));
    JobJournal journal(app, journalPath(), scanner.scanner());
    QSignalSpy done(&journal, &JobJournal::restoreFinished);
    journal.offerRestore();

    // The user opens a movie while the restored one is still being read.
    QSignalSpy scanned(&app, &AppDelegate::scanFinished);
    app.application_openFiles({movie(QStringLiteral("New.mkv"))});
    ASSERT_TRUE(scanned.wait(10000));
    // Still being read again, the movie is kept in the journal: a crash now would not lose it.
    ASSERT_EQ(onDisk().size(), 1);
    EXPECT_EQ(QFileInfo(onDisk().first().request.source).fileName(), QStringLiteral("Old.mkv"));
    scanner.release(QStringLiteral("Old.mkv"));
    ASSERT_TRUE(done.wait(10000));

    EXPECT_EQ(app.taskArray().size(), 1);
    EXPECT_EQ(app.fileName(), QStringLiteral("New.mkv"));
    EXPECT_EQ(app.filePanelHeight(), AppDelegate::kFilePanelShownHeight);
    EXPECT_EQ(onDisk().size(), 1);
}

// Only a live lock keeps a window from the journal: what a dead run left in the lock file, or a
// process id now used by a live process, never does. A journal that cannot be read is kept aside.
TEST_F(JobJournalRestore, OnlyALiveWindowsLockKeepsTheJournal)
{
    const QString lockPath = journalPath() + QStringLiteral(".lock");
    const QString partial = out() + QStringLiteral("/.tavrel-InUse1.partial.mp4");
    const std::tuple<QByteArray, bool> rows[] = {
        {"", false},                                                        // a power cut
        {"\x01\xff garbled", false},                                        //
        {QByteArray::number(qint64(getpid())) + "\ntavrel\nhost\n", false}, // a live process's id
        {"", true},                                                         // another live window
    };
    for (const auto &[contents, held] : rows) {
        SCOPED_TRACE(contents.toStdString() + (held ? " held" : ""));
        writeJournal({entry(movie(QStringLiteral("A.mkv")), Converting, out() + QStringLiteral("/A.mp4"), partial)});
        writeFile(partial, "being written");
        writeFile(lockPath, contents);
        const FileLock otherWindow = held ? FileLock::tryLock(lockPath) : FileLock();
        platform.alerts.answers.clear();
        platform.alerts.answers.enqueue({0}); // Discard
        const qsizetype shown = platform.alerts.shown.size();
        AppDelegate window;
        JobJournal journal(window, journalPath(), scanner.scanner());
        restore(journal);
        EXPECT_EQ(platform.alerts.shown.size() - shown, held ? 0 : 1);
        EXPECT_EQ(QFileInfo::exists(partial), held);
        EXPECT_EQ(onDisk().size(), held ? 1 : 0);
    }

    writeFile(journalPath(), "{\"version\": 1, \"jo");
    AppDelegate window;
    JobJournal journal(window, journalPath(), scanner.scanner());
    restore(journal);
    EXPECT_EQ(contents(journalPath() + QStringLiteral(".broken")), "{\"version\": 1, \"jo");
    EXPECT_TRUE(onDisk().isEmpty());
    EXPECT_EQ(QFileInfo(journalPath()).permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(QFileInfo(QFileInfo(journalPath()).absolutePath()).permissions() & 0x7077,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace
} // namespace tavrel::test
