// SPDX-License-Identifier: GPL-3.0-or-later
// Real conversions of what collections hold beyond the plain case: subtitle files in legacy
// encodings, H.264 flagged above level 4.1, and a source file that is cut short.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include <iconv.h>

#include "conversionfixture.h"
#include "inspection/compatibility.h"

using namespace tavrel;
using test::makeFile;
using test::run;

namespace {

// The text in a legacy encoding, through the C library's converter (Qt only knows Unicode).
QByteArray encoded(const QString &text, const char *encoding)
{
    iconv_t cd = iconv_open(encoding, "UTF-8");
    if (cd == iconv_t(-1)) {
        ADD_FAILURE() << "iconv has no " << encoding;
        return {};
    }
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 4, '\0');
    char *inPtr = in.data();
    char *outPtr = out.data();
    size_t inLeft = size_t(in.size());
    size_t outLeft = size_t(out.size());
    const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    EXPECT_NE(done, size_t(-1)) << "cannot encode in " << encoding;
    out.truncate(out.size() - qsizetype(outLeft));
    return out;
}

QString srt(const QStringList &lines)
{
    QString text;
    for (qsizetype i = 0; i < lines.size(); ++i)
        text +=
            QStringLiteral("%1\n00:00:0%2,000 --> 00:00:0%3,000\n%4\n\n").arg(i + 1).arg(i).arg(i + 1).arg(lines.at(i));
    return text;
}

class CollectionMoviesTest : public test::ConversionFixture
{
protected:
    static void SetUpTestSuite()
    {
        movies = new QTemporaryDir;
        const QString d = movies->path();
        const QStringList quiet{"-hide_banner", "-loglevel", "error", "-y"};
        const QStringList sine{"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000"};
        const QStringList x264{"-c:v", "libx264", "-preset", "veryfast", "-profile:v", "high", "-pix_fmt", "yuv420p"};
        run("ffmpeg",
            quiet + sine
                + QStringList{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25", "-t", "3", "-map", "1:v", "-map",
                              "0:a", "-c:a", "ac3"}
                + x264 + QStringList{d + "/plain.mkv"});
        // Flagged 5.1: at 1280x720 four reference frames fit level 4.1 (its limit there is 9).
        run("ffmpeg",
            quiet + QStringList{"-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25", "-t", "2"} + x264
                + QStringList{"-level", "5.1", "-x264-params", "ref=4", d + "/level51.mkv"});
        // Flagged 5.1 with six reference frames at 1920x1080, where level 4.1 allows four.
        run("ffmpeg",
            quiet + QStringList{"-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=25", "-t", "1"} + x264
                + QStringList{"-level", "5.1", "-x264-params", "ref=6", d + "/level51refs.mkv"});
        // A 60-second movie, then its first part as a file of its own.
        run("ffmpeg",
            quiet + sine
                + QStringList{"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-t", "60", "-map", "1:v", "-map",
                              "0:a", "-c:a", "ac3", "-b:v", "2M"}
                + x264 + QStringList{d + "/whole.mkv"});
        QFile whole(d + "/whole.mkv");
        EXPECT_TRUE(whole.open(QIODevice::ReadOnly));
        makeFile(d + "/cut.mkv", whole.read(whole.size() / 10));
    }

    // The first subtitle track of the output, read back as SRT text.
    QString subtitleText(const QString &outputName)
    {
        return run("ffmpeg", {"-v", "error", "-i", output.filePath(outputName), "-map", "0:s:0", "-f", "srt", "-"});
    }
    // mediainfo's Format_Level of the first video track.
    static QString level(const QString &path)
    {
        const QJsonObject media = QJsonDocument::fromJson(run("mediainfo", {"--Output=JSON", path}).toUtf8())
                                      .object()
                                      .value("media")
                                      .toObject();
        for (const QJsonValue &track : media.value("track").toArray())
            if (track.toObject().value("@type").toString() == "Video")
                return track.toObject().value("Format_Level").toString();
        return {};
    }
    // The video frames decoded, one hash each: equal lists mean the same pictures.
    static QStringList frameHashes(const QString &path)
    {
        QStringList hashes;
        for (const QString &line :
             run("ffmpeg", {"-v", "error", "-i", path, "-map", "0:v", "-f", "framemd5", "-"}).split(u'\n'))
            if (!line.startsWith(u'#') && !line.isEmpty())
                hashes.append(line.section(u',', 5).trimmed());
        return hashes;
    }
};

TEST_F(CollectionMoviesTest, SubtitleFilesInLegacyEncodingsKeepTheirText)
{
    const struct
    {
        const char *encoding;
        QStringList lines;
    } cases[] = {
        {"WINDOWS-1252", {QStringLiteral("Café über Straße"), QStringLiteral("Größere Häuser, schöne Grüße — „gut“")}},
        {"ISO-8859-2", {QStringLiteral("Zażółć gęślą jaźń"), QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy")}},
        {"WINDOWS-1251",
         {QStringLiteral("Съешь же ещё этих мягких французских булок"), QStringLiteral("да выпей чаю")}},
        {"SHIFT_JIS",
         {QStringLiteral("いろはにほへと ちりぬるを"), QStringLiteral("わかよたれそ つねならむ、日本語の字幕です")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.encoding);
        const QString subtitles = output.filePath(QStringLiteral("%1.srt").arg(QLatin1String(c.encoding)));
        makeFile(subtitles, encoded(srt(c.lines), c.encoding));
        auto info = probe("plain.mkv");
        const QString name = QStringLiteral("%1.mp4").arg(QLatin1String(c.encoding));
        ConversionJob *job = convert(info, name, subtitles);
        EXPECT_EQ(job->arguments().mid(2, 4),
                  (QStringList{"-sub_charenc", QLatin1String(c.encoding), "-i", subtitles}));
        EXPECT_EQ(codecs(streams(output.filePath(name))), (QStringList{"h264", "ac3", "mov_text"}));
        const QString text = subtitleText(name);
        for (const QString &line : c.lines)
            EXPECT_TRUE(text.contains(line)) << text.toStdString();
    }
}

TEST_F(CollectionMoviesTest, UnicodeSubtitleFilesConvertAsTheyAre)
{
    const QStringList lines{QStringLiteral("Café über Straße — Съешь ещё"), QStringLiteral("日本語の字幕")};
    const QByteArray utf8 = srt(lines).toUtf8();
    // ffmpeg 5.1 itself garbles UTF-16 lines that begin with a CJK character.
    const QString text16 = srt(lines);
    QByteArray utf16("\xFF\xFE");
    utf16.append(reinterpret_cast<const char *>(text16.utf16()), text16.size() * 2);
    const struct
    {
        const char *name;
        QByteArray bytes;
    } cases[] = {{"utf8", utf8}, {"utf8-bom", "\xEF\xBB\xBF" + utf8}, {"utf16-bom", utf16}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString subtitles = output.filePath(QLatin1String(c.name) + QStringLiteral(".srt"));
        makeFile(subtitles, c.bytes);
        auto info = probe("plain.mkv");
        const QString name = QLatin1String(c.name) + QStringLiteral(".mp4");
        ConversionJob *job = convert(info, name, subtitles);
        EXPECT_FALSE(job->arguments().contains("-sub_charenc"));
        // A UTF-16 file is read through a UTF-8 copy, which goes with the job.
        const QString input = job->arguments().at(3);
        EXPECT_EQ(input == subtitles, c.bytes.startsWith("\xEF") || c.bytes.startsWith("1")) << input.toStdString();
        const QString text = subtitleText(name);
        job->remove();
        EXPECT_EQ(QFileInfo::exists(input), input == subtitles);
        for (const QString &line : lines)
            EXPECT_TRUE(text.contains(line)) << text.toStdString();
    }
}

TEST_F(CollectionMoviesTest, VideoThatFitsLevel41IsMarkedSoWithTheSamePictures)
{
    auto info = probe("level51.mkv");
    ASSERT_EQ(info->videoLevel, 5.1);
    EXPECT_TRUE(info->fitsLevel41);
    ConversionJob *job = convert(info, "level51.mp4");
    EXPECT_TRUE(job->arguments().join(u' ').contains("-vcodec copy -bsf:v h264_metadata=level=4.1"));
    // Tavrel's own notes go to the log, never into ffmpeg's output that explanations quote.
    EXPECT_TRUE(job->log().contains("marking it 4.1")) << job->log().toStdString();
    EXPECT_FALSE(job->jobOutput().contains("marking it 4.1"));
    EXPECT_EQ(level(moviePath("level51.mkv")), "5.1");
    EXPECT_EQ(level(output.filePath("level51.mp4")), "4.1");
    const QStringList source = frameHashes(moviePath("level51.mkv"));
    EXPECT_EQ(source.size(), 50);
    EXPECT_EQ(frameHashes(output.filePath("level51.mp4")), source);
    // The packets themselves, parameter sets aside, are copied unchanged.
    expectVideoCopied("level51.mkv", "level51.mp4");

    // Unmarked, it would not play: copied as it is only when re-encoding is off too.
    settings::setDefaultInt(settings::kMarkLevel41Key, 0);
    settings::setDefaultInt(settings::kReencodeVideoKey, 0);
    ConversionJob *unmarked = convert(probe("level51.mkv"), "level51 unmarked.mp4");
    EXPECT_FALSE(unmarked->arguments().contains("-bsf:v"));
    EXPECT_EQ(level(output.filePath("level51 unmarked.mp4")), "5.1");
}

TEST_F(CollectionMoviesTest, WithReencodingOffTooManyReferenceFramesKeepItsLevelAndWarn)
{
    settings::setDefaultInt(settings::kReencodeVideoKey, 0);
    auto info = probe("level51refs.mkv");
    ASSERT_EQ(info->videoLevel, 5.1);
    EXPECT_FALSE(info->fitsLevel41);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !platform.alerts.shown.isEmpty(); }, 10000));
    EXPECT_TRUE(platform.alerts.shown.first().message.contains("'reference frames'"));
    ConversionJob *job = convert(info, "level51refs.mp4");
    EXPECT_FALSE(job->arguments().contains("-bsf:v"));
    EXPECT_EQ(level(output.filePath("level51refs.mp4")), "5.1");
    // The job is finished as before, and its log says why the console may refuse the file.
    EXPECT_TRUE(job->log().contains("The console will not play the converted file")) << job->log().toStdString();
}

TEST_F(CollectionMoviesTest, SourceCutShortFailsAndIsKeptWithAutoRemove)
{
    settings::setDefaultInt(settings::kAutoRemoveKey, 1);
    settings::setDefaultInt(settings::kAutoRemoveTypeKey, 1); // delete, not trash
    auto info = probe("cut.mkv");
    ASSERT_EQ(info->runtimeSeconds, 60);
    ConversionJob *job = runJob(info, "cut.mp4");
    EXPECT_EQ(job->state(), Failed) << job->jobOutput().toStdString();
    EXPECT_TRUE(job->finishedError());
    EXPECT_TRUE(QFile::exists(moviePath("cut.mkv")));
    EXPECT_TRUE(job->outputProblem().contains("the movie 0:01:00")) << job->outputProblem().toStdString();
    EXPECT_TRUE(job->jobOutput().contains(job->outputProblem()));

    // The explanation says what is missing.
    job->reveal();
    ASSERT_FALSE(platform.alerts.shown.isEmpty());
    EXPECT_EQ(platform.alerts.shown.last().title, "Information");
    EXPECT_TRUE(platform.alerts.shown.last().message.contains(job->outputProblem()));
    ASSERT_EQ(platform.notifier.delivered.size(), 1);
    EXPECT_TRUE(platform.notifier.delivered[0].title.endsWith("Conversion Failed"));

    // The whole movie passes the same check, and AutoRemove then deletes its source.
    QFile::copy(moviePath("whole.mkv"), output.filePath("whole copy.mkv"));
    auto whole = MKVFileInfo::initWithURL(QUrl::fromLocalFile(output.filePath("whole copy.mkv")));
    convert(whole, "whole.mp4");
    EXPECT_FALSE(QFile::exists(output.filePath("whole copy.mkv")));
}

} // namespace
