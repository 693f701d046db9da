// SPDX-License-Identifier: GPL-3.0-or-later
// Movies written in parts with the real ffmpeg: every part under the size, from time 0, playable,
// and together as long as the movie.
#include <QDir>

#include "conversionfixture.h"

using namespace tavrel;

namespace {

class OutputPartsTest : public test::ConversionFixture
{
protected:
    static void SetUpTestSuite()
    {
        movies = new QTemporaryDir;
        const QStringList sixtySeconds{"-v",  "error",
                                       "-f",  "lavfi",
                                       "-i",  "testsrc2=size=1280x720:rate=24",
                                       "-f",  "lavfi",
                                       "-i",  "sine=frequency=440:sample_rate=48000",
                                       "-t",  "60",
                                       "-ac", "2"};
        // A picture the console plays, copied; and an MPEG-2 one, re-encoded.
        run("ffmpeg",
            sixtySeconds
                + QStringList{"-c:v", "libx264", "-preset", "ultrafast", "-b:v", "1500k", "-g", "48", "-c:a", "aac",
                              moviePath("copied.mkv")});
        run("ffmpeg",
            sixtySeconds
                + QStringList{"-c:v", "mpeg2video", "-s", "640x360", "-b:v", "2000k", "-c:a", "ac3",
                              moviePath("reencoded.mkv")});
    }

    static double duration(const QString &path)
    {
        return run("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", path})
            .trimmed()
            .toDouble();
    }
};

TEST_F(OutputPartsTest, CopiedAndReencodedMoviesComeInPartsThatEachPlayFromTheStart)
{
    // A re-encoded picture is planned at the encoder's cap, so its parts are given more room.
    const struct
    {
        const char *movie;
        quint64 limit;
        bool copied;
    } rows[] = {{"copied.mkv", 8ull << 20, true}, {"reencoded.mkv", 64ull << 20, false}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.movie);
        ConversionRequest request =
            test::requestFor(probe(row.movie), output.filePath(row.movie).replace(".mkv", ".mp4"));
        request.options.split = SplitChoice{SplitChoice::Mode::Size, row.limit};
        auto *job = new ConversionJob(&host, request, &owner);
        host.track(job);
        job->start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return job->state() == Finished || job->state() == Failed; }, 300000));
        ASSERT_EQ(job->state(), Finished) << job->jobOutput().toStdString();
        EXPECT_NE(job->arguments().indexOf("-force_key_frames") >= 0, row.copied);

        const QStringList parts = job->outputPaths();
        ASSERT_GE(parts.size(), 2);
        double total = 0;
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const QString &part = parts.at(i);
            SCOPED_TRACE(part.toStdString());
            EXPECT_EQ(part, output.filePath(QString::fromUtf8(row.movie).replace(".mkv", " - Part %1.mp4").arg(i + 1)));
            EXPECT_LE(quint64(QFileInfo(part).size()), row.limit);
            expectPlaysOnConsole(part);
            const QJsonArray list = streams(part);
            EXPECT_EQ(codecs(list).mid(0, 2), (QStringList{"h264", row.copied ? "aac" : "ac3"}));
            for (const QJsonValue &stream : list)
                EXPECT_LT(stream.toObject().value("start_time").toString().toDouble(), 0.1);
            total += duration(part);
        }
        EXPECT_NEAR(total, duration(moviePath(row.movie)), 0.5);
        EXPECT_EQ(QDir(output.path()).entryList(QDir::Hidden | QDir::Files).filter(".tavrel-"), QStringList());
        EXPECT_TRUE(job->log().contains(QStringLiteral("the movie was saved in %1 parts").arg(parts.size())));
    }
}

} // namespace
