// SPDX-License-Identifier: GPL-3.0-or-later
// File intake through the controller: opening and dropping files, subtitle matching, the scan
// hand-over and adding the shown file. Records come from a scanner that runs no tool, and the
// queue is paused so that no job launches.
#include <QSignalSpy>

#include "app/fileintake.h"
#include "controllertesting.h"
#include "support/paths.h"

namespace tavrel::test {
namespace {

class IntakeTest : public ControllerTest
{
protected:
    IntakeTest()
    {
        app.setScanner(scanner.scanner());
        app.pauseContinueClicked(&button);
    }

    QString file(const QString &name, const QByteArray &bytes = "data")
    {
        const QString path = dir.path() + u'/' + name;
        writeFile(path, bytes);
        return path;
    }
    bool waitForScans(int count)
    {
        return waitUntil([&] { return finished.size() >= count; });
    }

    ScriptedPlatform platform;
    QTemporaryDir dir;
    FakeScanner scanner;
    AppDelegate app;
    QObject button;
    QSignalSpy finished{&app, &AppDelegate::scanFinished};
};

TEST_F(IntakeTest, MoviesOfOneBatchAreScannedInOrderWithTheirSubtitle)
{
    const QString a = file(QStringLiteral("A.mkv"));
    const QString b = file(QStringLiteral("B.mkv"));
    const QString srt = file(QStringLiteral("A.srt"));
    app.application_openFiles({a, b, srt});

    EXPECT_EQ(app.filePanelHeight(), 117);
    ASSERT_TRUE(waitForScans(1));
    EXPECT_EQ(scanner.scanned(), QStringList{QStringLiteral("A.mkv")});
    EXPECT_EQ(app.fileName(), QStringLiteral("A.mkv"));
    EXPECT_EQ(QUrl::fromLocalFile(app.intake().subtitleFile()), QUrl::fromLocalFile(srt));
    EXPECT_EQ(app.informationString(),
              QStringLiteral("Duration: 00:00:10  Bitrate: 100 kb/s  Resolution: 320x240  Audiotracks: 1 (0+1)"));
    EXPECT_EQ(app.importFiles(), QStringList{b});
    EXPECT_FALSE(app.isScanning());

    // Cancelling moves on to B, which has no subtitle; cancelling again hides the panel.
    app.cancelAdd();
    ASSERT_TRUE(waitForScans(2));
    EXPECT_EQ(app.fileName(), QStringLiteral("B.mkv"));
    EXPECT_TRUE(QUrl::fromLocalFile(app.intake().subtitleFile()).isEmpty());
    EXPECT_EQ(app.filePanelHeight(), 117);
    app.cancelAdd();
    EXPECT_EQ(app.filePanelHeight(), 0);
    EXPECT_EQ(app.fileName(), QStringLiteral("B.mkv")); // the record stays
}

TEST_F(IntakeTest, AddingTheShownFileMovesOnToTheNext)
{
    const QString a = file(QStringLiteral("A.mkv"));
    const QString b = file(QStringLiteral("B.mkv"));
    app.application_openFiles({a, b});
    ASSERT_TRUE(waitForScans(1));

    platform.panels.saveAnswers.enqueue(dir.path() + QStringLiteral("/A out.mp4"));
    app.addToQueue();
    ASSERT_EQ(app.taskArray().size(), 1);
    EXPECT_EQ(app.taskArray().first()->fileInfo(), app.fileInfo()); // the same record
    ASSERT_TRUE(waitForScans(2));
    EXPECT_EQ(scanner.scanned(), (QStringList{QStringLiteral("A.mkv"), QStringLiteral("B.mkv")}));

    ASSERT_EQ(platform.panels.requests.size(), 1);
    const ScriptedPanels::Request &save = platform.panels.requests.first();
    EXPECT_EQ(save.kind, QStringLiteral("save"));
    EXPECT_EQ(save.parent, platform::PanelParent::MainWindow);
    EXPECT_EQ(save.startFolder, dir.path());
    EXPECT_EQ(save.proposedName, QStringLiteral("A.mp4"));
    EXPECT_EQ(save.extension, QStringLiteral("mp4"));
}

TEST_F(IntakeTest, SubtitleOpenedBeforeItsMovieIsAttached)
{
    const QString srt = file(QStringLiteral("Movie.en.srt"));
    app.application_openFiles({srt});
    EXPECT_EQ(app.filePanelHeight(), 0);
    EXPECT_EQ(app.importSubtitleFiles().value(dir.path() + QStringLiteral("/Movie")), srt);
    EXPECT_EQ(app.importSubtitleFiles().value(dir.path() + QStringLiteral("/Movie.en")), srt);

    app.application_openFiles({file(QStringLiteral("Movie.mkv"))});
    ASSERT_TRUE(waitForScans(1));
    EXPECT_EQ(QUrl::fromLocalFile(app.intake().subtitleFile()), QUrl::fromLocalFile(srt));
    // Only the key the movie was found under goes.
    EXPECT_FALSE(app.importSubtitleFiles().contains(dir.path() + QStringLiteral("/Movie")));
    EXPECT_TRUE(app.importSubtitleFiles().contains(dir.path() + QStringLiteral("/Movie.en")));
}

TEST_F(IntakeTest, SubFilesAreAttachedUnlessTheyAreMpegProgramStreams)
{
    const QString vobsub = file(QStringLiteral("X.sub"), QByteArray("\x00\x00\x01\xBA\x44\x00", 6));
    const QString text = file(QStringLiteral("Y.sub"), "{0}{25}Hello\n");
    const QString shortSub = file(QStringLiteral("W.sub"), QByteArray("\x00\x00", 2));
    const QString srt = file(QStringLiteral("Z.srt"));
    const QString zsub = file(QStringLiteral("Z.sub"), "{0}{25}Hi\n");
    EXPECT_TRUE(isMpegProgramStream(vobsub));
    EXPECT_FALSE(isMpegProgramStream(text));
    EXPECT_FALSE(isMpegProgramStream(shortSub));
    EXPECT_FALSE(isMpegProgramStream(dir.path() + QStringLiteral("/absent.sub")));

    app.application_openFiles({vobsub, text, shortSub, srt, zsub});
    const auto pending = app.importSubtitleFiles();
    EXPECT_FALSE(pending.contains(dir.path() + QStringLiteral("/X")));
    EXPECT_EQ(pending.value(dir.path() + QStringLiteral("/Y")), text);
    EXPECT_EQ(pending.value(dir.path() + QStringLiteral("/W")), shortSub);
    // The "sub" pass comes after the text types, so it wins the name.
    EXPECT_EQ(pending.value(dir.path() + QStringLiteral("/Z")), zsub);

    app.application_openFiles({file(QStringLiteral("X.mkv"))});
    ASSERT_TRUE(waitForScans(1));
    EXPECT_TRUE(QUrl::fromLocalFile(app.intake().subtitleFile()).isEmpty());
    EXPECT_EQ(app.fileInfo()->informationString.count(QStringLiteral("+1")), 0);
}

TEST_F(IntakeTest, UpperCaseExtensionsAreAccepted)
{
    const QString movie = file(QStringLiteral("LOUD.MKV"));
    const QString srt = file(QStringLiteral("LOUD.SRT"));
    EXPECT_TRUE(app.draggingEntered({movie}));
    EXPECT_TRUE(app.performDragOperation({srt, movie}));
    ASSERT_TRUE(waitForScans(1));
    EXPECT_EQ(app.fileName(), QStringLiteral("LOUD.MKV"));
    EXPECT_EQ(QUrl::fromLocalFile(app.intake().subtitleFile()), QUrl::fromLocalFile(srt));
}

TEST_F(IntakeTest, SubtitleOnlyDragsAreRefusedButTheOpenPanelTakesThem)
{
    const QString srt = file(QStringLiteral("S.srt"));
    const QString sub = file(QStringLiteral("S2.sub"), "text");
    EXPECT_FALSE(app.draggingEntered({srt, sub}));
    EXPECT_FALSE(app.draggingEntered({dir.path() + QStringLiteral("/notes.txt"), dir.path() + QStringLiteral("/mkv")}));
    EXPECT_TRUE(app.draggingEntered({srt, dir.path() + QStringLiteral("/x.ogm")}));

    platform.panels.fileAnswers.enqueue(QStringList{srt, sub});
    app.addClicked();
    ASSERT_EQ(platform.panels.requests.size(), 1);
    EXPECT_EQ(platform.panels.requests.first().allowedExtensions,
              (QStringList{QStringLiteral("mkv"), QStringLiteral("mp4"), QStringLiteral("mov"), QStringLiteral("ogm"),
                           QStringLiteral("srt"), QStringLiteral("ass"), QStringLiteral("ssa"), QStringLiteral("smi"),
                           QStringLiteral("sub")}));
    EXPECT_EQ(app.importSubtitleFiles().value(dir.path() + QStringLiteral("/S")), srt);
    EXPECT_EQ(app.importSubtitleFiles().value(dir.path() + QStringLiteral("/S2")), sub);
    EXPECT_EQ(app.filePanelHeight(), 0);

    // A cancelled open panel changes nothing.
    app.addClicked();
    EXPECT_TRUE(app.importFiles().isEmpty());
}

TEST_F(IntakeTest, AutoAddWithAFolderQueuesEveryDroppedMovieWithoutAsking)
{
    QTemporaryDir out;
    settings::setDefaultObject(settings::kDestinationBookmarksKey, QVariantList{out.path().toUtf8()});
    settings::setDefaultObject(settings::kDestinationNamesKey, QVariantList{QStringLiteral("out")});
    settings::setDefaultInt(settings::kDefaultDestinationKey, 2);
    settings::setDefaultInt(settings::kAutoAddKey, 1);
    writeFile(out.path() + QStringLiteral("/A.mp4"), "taken");

    app.performDragOperation(
        {file(QStringLiteral("A.mkv")), file(QStringLiteral("B.mkv")), file(QStringLiteral("C.mkv"))});
    ASSERT_TRUE(waitForScans(3));

    ASSERT_EQ(app.taskArray().size(), 3);
    EXPECT_TRUE(platform.panels.requests.isEmpty());
    EXPECT_TRUE(platform.alerts.shown.isEmpty());
    QStringList destinations;
    for (const ConversionJob *job : app.taskArray()) {
        destinations.append(job->outputPath());
        EXPECT_EQ(job->request().destinationFolder, out.path());
    }
    EXPECT_EQ(destinations,
              (QStringList{out.path() + QStringLiteral("/A-0.mp4"), out.path() + QStringLiteral("/B.mp4"),
                           out.path() + QStringLiteral("/C.mp4")}));
    EXPECT_EQ(app.filePanelHeight(), 0);
    EXPECT_EQ(platform.bookmarks.openAccess.value(out.path()), 3);
}

TEST_F(IntakeTest, TheSameMovieQueuedTwiceGetsTwoOutputNames)
{
    QTemporaryDir out;
    settings::setDefaultObject(settings::kDestinationBookmarksKey, QVariantList{out.path().toUtf8()});
    settings::setDefaultObject(settings::kDestinationNamesKey, QVariantList{QStringLiteral("out")});
    settings::setDefaultInt(settings::kDefaultDestinationKey, 2);
    settings::setDefaultInt(settings::kAutoAddKey, 1);

    const QString movie = file(QStringLiteral("A.mkv"));
    app.application_openFiles({movie});
    ASSERT_TRUE(waitForScans(1));
    app.application_openFiles({movie});
    ASSERT_TRUE(waitForScans(2));

    // Neither job has written anything yet, so only the queue knows the first name is taken.
    ASSERT_EQ(app.taskArray().size(), 2);
    EXPECT_EQ(app.taskArray().at(0)->outputPath(), out.path() + QStringLiteral("/A.mp4"));
    EXPECT_EQ(app.taskArray().at(1)->outputPath(), out.path() + QStringLiteral("/A-0.mp4"));
}

TEST_F(IntakeTest, AutoAddAskingEachTimeShowsASavePanelPerMovie)
{
    settings::setDefaultInt(settings::kAutoAddKey, 1);
    const QString a = file(QStringLiteral("A.mkv"));
    const QString b = file(QStringLiteral("B.mkv"));
    // The panel asked about replacing it: whatever is there goes first.
    const QString existing = file(QStringLiteral("A.mp4"), "old");
    platform.panels.saveAnswers.enqueue(existing);
    platform.panels.saveAnswers.enqueue(dir.path() + QStringLiteral("/B.mp4"));

    app.application_openFiles({a, b});
    ASSERT_TRUE(waitForScans(2));

    ASSERT_EQ(platform.panels.requests.size(), 2);
    // Proposed names are unique in the folder; an existing file is replaced only when chosen.
    EXPECT_EQ(platform.panels.requests.at(0).proposedName, QStringLiteral("A-0.mp4"));
    EXPECT_EQ(platform.panels.requests.at(1).proposedName, QStringLiteral("B.mp4"));
    ASSERT_EQ(app.taskArray().size(), 2);
    EXPECT_FALSE(QFile::exists(existing));
    EXPECT_EQ(QUrl::fromLocalFile(app.taskArray().at(0)->outputPath()), QUrl::fromLocalFile(existing));
    EXPECT_TRUE(platform.alerts.shown.isEmpty());
}

TEST_F(IntakeTest, ASaveChoiceNeverReplacesTheOutputOfAnotherListedJob)
{
    const QString a = file(QStringLiteral("A.mkv"));
    const QString b = file(QStringLiteral("B.mkv"));
    const QString output = dir.path() + QStringLiteral("/Out.mp4");
    platform.panels.saveAnswers.enqueue(output);
    platform.panels.saveAnswers.enqueue(output);
    app.application_openFiles({a, b});
    ASSERT_TRUE(waitForScans(1));
    app.addToQueue();
    ASSERT_TRUE(waitForScans(2));
    ASSERT_EQ(app.taskArray().size(), 1);

    // As if the first job had begun writing: the second choice of the same file must leave it.
    writeFile(output, "partial");
    app.addToQueue();
    ASSERT_EQ(app.taskArray().size(), 1);
    EXPECT_EQ(QUrl::fromLocalFile(app.taskArray().first()->outputPath()), QUrl::fromLocalFile(output));
    EXPECT_EQ(contents(output), QByteArray("partial"));
    // Refused as a source choice is, naming the conflict; the movie stays in the panel.
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(platform.alerts.shown.first().message,
              QStringLiteral("“Out.mp4” is the MP4 file of a movie that Tavrel converts. Please choose another name "
                             "for the MP4 file."));
    EXPECT_NE(app.filePanelHeight(), 0);
    EXPECT_EQ(app.fileInfo()->fileURL, QUrl::fromLocalFile(b));
}

TEST_F(IntakeTest, CancellingTheSavePanelKeepsTheFilePanel)
{
    const QString a = file(QStringLiteral("A.mkv"));
    const QString b = file(QStringLiteral("B.mkv"));
    app.application_openFiles({a, b});
    ASSERT_TRUE(waitForScans(1));
    const auto shown = app.fileInfo();

    app.addToQueue(); // the panel answers "cancel"
    EXPECT_TRUE(app.taskArray().isEmpty());
    EXPECT_EQ(app.filePanelHeight(), 117);
    EXPECT_EQ(app.fileInfo(), shown);
    EXPECT_EQ(app.importFiles(), QStringList{b});
}

TEST_F(IntakeTest, ADestinationIndexNamingNoFolderAsksForTheFile)
{
    QTemporaryDir out;
    settings::setDefaultObject(settings::kDestinationBookmarksKey, QVariantList{out.path().toUtf8()});
    settings::setDefaultObject(settings::kDestinationNamesKey, QVariantList{QStringLiteral("out")});
    // Past the folders (a stale value from elsewhere): shown as item 0.
    settings::setDefaultInt(settings::kDefaultDestinationKey, 7);
    app.application_openFiles({file(QStringLiteral("A.mkv"))});
    ASSERT_TRUE(waitForScans(1));
    EXPECT_EQ(app.destinationPopUpIndex(), 0);
    // The separator cannot be selected.
    app.setDestinationPopUpIndex(1);
    EXPECT_EQ(app.destinationPopUpIndex(), 0);

    app.addToQueue();
    ASSERT_EQ(platform.panels.requests.size(), 1);
    EXPECT_EQ(platform.panels.requests.first().kind, QStringLiteral("save"));
}

TEST_F(IntakeTest, AudioTrackIsPreselectedByLanguage)
{
    scanner.audioByName.insert(QStringLiteral("A.mkv"),
                               {QStringLiteral("#1: eng (ac3) [5.1]"), QStringLiteral("#2: ger (ac3) [5.1]"),
                                QStringLiteral("#3: ger (aac)")});
    scanner.audioByName.insert(QStringLiteral("Silent.mkv"), {});
    app.setPreferredLanguages({QStringLiteral("ger"), QStringLiteral("eng")});

    app.application_openFiles({file(QStringLiteral("A.mkv"))});
    ASSERT_TRUE(waitForScans(1));
    EXPECT_EQ(app.audioPopUpItems().size(), 3);
    EXPECT_EQ(app.audioPopUpIndex(), 2);
    EXPECT_EQ(app.bestLanguage(), QStringLiteral("#3: ger (aac)"));

    // English only.
    settings::setDefaultInt(settings::kDefaultAudioKey, 2);
    app.cancelAdd();
    app.application_openFiles({file(QStringLiteral("A.mkv"))});
    ASSERT_TRUE(waitForScans(2));
    EXPECT_EQ(app.audioPopUpIndex(), 0);

    // Out of range counts as the system languages.
    settings::setDefaultInt(settings::kDefaultAudioKey, 9);
    app.cancelAdd();
    app.application_openFiles({file(QStringLiteral("A.mkv"))});
    ASSERT_TRUE(waitForScans(3));
    EXPECT_EQ(app.audioPopUpIndex(), 2);

    // No audio: an empty pop-up, and the job is still made.
    app.cancelAdd();
    app.application_openFiles({file(QStringLiteral("Silent.mkv"))});
    ASSERT_TRUE(waitForScans(4));
    EXPECT_TRUE(app.audioPopUpItems().isEmpty());
    EXPECT_EQ(app.audioPopUpIndex(), -1);
    EXPECT_FALSE(app.bestLanguage().has_value());
    platform.panels.saveAnswers.enqueue(dir.path() + QStringLiteral("/Silent.mp4"));
    app.addToQueue();
    ASSERT_EQ(app.taskArray().size(), 1);
    EXPECT_FALSE(app.taskArray().first()->request().audioStreamId);
}

TEST(IntakeRules, ExtensionsAndKeys)
{
    EXPECT_EQ(lowerExtension(QStringLiteral("/a.b/Movie.MKV")), QStringLiteral("mkv"));
    EXPECT_EQ(lowerExtension(QStringLiteral("/a.b/Movie")), QString());
    EXPECT_EQ(lowerExtension(QStringLiteral("/a/.srt")), QString());
    EXPECT_EQ(subtitleKeys(QStringLiteral("/m/Movie.en.srt")),
              (QStringList{QStringLiteral("/m/Movie.en"), QStringLiteral("/m/Movie")}));
    EXPECT_EQ(subtitleKeys(QStringLiteral("/m.d/Movie.srt")),
              (QStringList{QStringLiteral("/m.d/Movie"), QStringLiteral("/m.d/Movie")}));
    EXPECT_EQ(outputFileName(QStringLiteral("-odd name 100%.mkv")), QStringLiteral("-odd name 100%.mp4"));
    EXPECT_EQ(outputFileName(QStringLiteral("noext")), QStringLiteral("noext.mp4"));
}

TEST_F(IntakeTest, ASaveChoiceNeverReplacesAMovieThatIsConverted)
{
    const QString movie = file(QStringLiteral("Movie.mp4"), "the movie");
    app.application_openFiles({movie});
    ASSERT_TRUE(waitForScans(1));
    // An mp4 source is not offered as its own output.
    const QString linked = dir.path() + QStringLiteral("/link.mp4");
    ASSERT_TRUE(QFile::link(movie, linked));
    for (const QString &answer : QStringList{movie, linked, dir.path() + QStringLiteral("/./Movie.mp4")})
        platform.panels.saveAnswers.enqueue(answer);
    for (int i = 0; i < 3; ++i)
        app.addToQueue();
    ASSERT_EQ(platform.panels.requests.size(), 3);
    EXPECT_EQ(platform.panels.requests.first().proposedName, QStringLiteral("Movie-0.mp4"));
    ASSERT_EQ(platform.alerts.shown.size(), 3);
    EXPECT_EQ(
        platform.alerts.shown.first().message,
        QStringLiteral("“Movie.mp4” is a movie that Tavrel converts. Please choose another name for the MP4 file."));
    EXPECT_TRUE(app.taskArray().isEmpty());
    EXPECT_EQ(app.fileName(), QStringLiteral("Movie.mp4")); // the panel stays
    QFile kept(movie);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("the movie"));

    // The source of another listed job is refused the same way.
    platform.panels.saveAnswers.enqueue(dir.path() + QStringLiteral("/Movie out.mp4"));
    app.addToQueue();
    ASSERT_EQ(app.taskArray().size(), 1);
    const QString other = file(QStringLiteral("Other.mkv"));
    app.application_openFiles({other});
    ASSERT_TRUE(waitForScans(2));
    platform.panels.saveAnswers.enqueue(movie);
    app.addToQueue();
    EXPECT_EQ(app.taskArray().size(), 1);
    EXPECT_EQ(platform.alerts.shown.size(), 4);
    EXPECT_TRUE(QFile::exists(movie));

    // A typed name with another extension gets "mp4": the source it names stays.
    platform.panels.saveAnswers.enqueue(other);
    app.addToQueue();
    ASSERT_EQ(app.taskArray().size(), 2);
    EXPECT_EQ(app.taskArray().at(1)->outputPath(), other + QStringLiteral(".mp4"));
    EXPECT_TRUE(QFile::exists(other));
}

TEST_F(IntakeTest, MoviesArrivingWhileOneIsReadOrShownWaitTheirTurn)
{
    const QString a = file(QStringLiteral("A.mkv"));
    const QString b = file(QStringLiteral("B.mkv"));
    const QString c = file(QStringLiteral("C.mkv"));
    scanner.hold(QStringLiteral("A.mkv"));
    app.application_openFiles({a});
    ASSERT_TRUE(waitUntil([&] { return !scanner.scanned().isEmpty(); }));
    app.application_openFiles({b});
    scanner.release(QStringLiteral("A.mkv"));
    ASSERT_TRUE(waitForScans(1));
    EXPECT_EQ(scanner.scanned(), QStringList{QStringLiteral("A.mkv")});
    EXPECT_EQ(app.fileName(), QStringLiteral("A.mkv"));

    // A movie shown in the panel is not replaced by a later drop either.
    app.application_openFiles({c});
    EXPECT_EQ(app.fileName(), QStringLiteral("A.mkv"));
    EXPECT_FALSE(app.isScanning());
    EXPECT_EQ(app.importFiles(), (QStringList{b, c}));

    app.cancelAdd();
    ASSERT_TRUE(waitForScans(2));
    app.cancelAdd();
    ASSERT_TRUE(waitForScans(3));
    EXPECT_EQ(scanner.scanned().size(), 3);
    EXPECT_EQ(QSet<QString>(scanner.scanned().cbegin(), scanner.scanned().cend()),
              (QSet<QString>{QStringLiteral("A.mkv"), QStringLiteral("B.mkv"), QStringLiteral("C.mkv")}));
}

TEST_F(IntakeTest, CancelDuringAScanDropsThatMovieAlsoWithAutoAdd)
{
    settings::setDefaultInt(settings::kAutoAddKey, 1);
    const QString a = file(QStringLiteral("A.mkv"));
    const QString b = file(QStringLiteral("B.mkv"));
    scanner.hold(QStringLiteral("A.mkv"));
    app.application_openFiles({a, b});
    ASSERT_TRUE(waitUntil([&] { return !scanner.scanned().isEmpty(); }));
    ASSERT_TRUE(app.isScanning());
    app.cancelAdd();
    scanner.release(QStringLiteral("A.mkv"));

    // B is read next and asks for its output file; A never did.
    ASSERT_TRUE(waitUntil([&] { return scanner.scanned().size() == 2 && !platform.panels.requests.isEmpty(); }));
    ASSERT_EQ(platform.panels.requests.size(), 1);
    EXPECT_EQ(platform.panels.requests.first().proposedName, QStringLiteral("B.mp4"));
    EXPECT_EQ(app.fileName(), QStringLiteral("B.mkv"));
    EXPECT_TRUE(app.taskArray().isEmpty());

    // Cancelled with nothing after it, the panel closes.
    scanner.hold(QStringLiteral("A.mkv"));
    app.cancelAdd();
    app.application_openFiles({a});
    ASSERT_TRUE(waitUntil([&] { return scanner.scanned().size() == 3; }));
    app.cancelAdd();
    EXPECT_EQ(app.filePanelHeight(), 0);
    scanner.release(QStringLiteral("A.mkv"));
    ASSERT_TRUE(waitUntil([&] { return !app.isScanning(); }));
    EXPECT_EQ(app.filePanelHeight(), 0);
    EXPECT_EQ(platform.panels.requests.size(), 1);
}

} // namespace
} // namespace tavrel::test
