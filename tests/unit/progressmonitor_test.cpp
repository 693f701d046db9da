// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "conversion/progressmonitor.h"

using namespace tavrel;

TEST(ProgressFromText, ReadsTheLastOutputTimeOverTheRunningTime)
{
    EXPECT_EQ(progressFromText(QStringLiteral("frame=10\nout_time_ms=5000000\nprogress=continue\n"), 100), 5.0f);
    EXPECT_EQ(progressFromText(QStringLiteral("out_time_ms=5000000\nout_time_ms=20000000\n"), 100), 20.0f);
    EXPECT_EQ(progressFromText(QStringLiteral("out_time_ms=150000000\r\n"), 100), 150.0f); // not clamped
    EXPECT_EQ(progressFromText(QStringLiteral("out_time_ms=0\n"), 100), std::nullopt);
    EXPECT_EQ(progressFromText(QStringLiteral("out_time_ms=-23000\n"), 100), std::nullopt);
    EXPECT_EQ(progressFromText(QStringLiteral("progress=continue\n"), 100), std::nullopt);
    EXPECT_EQ(progressFromText(QString(), 100), std::nullopt);
    // The key must start the line.
    EXPECT_EQ(progressFromText(QStringLiteral("x out_time_ms=5000000\n"), 100), std::nullopt);
    // Unknown running time: infinite progress, as the status line expects.
    EXPECT_TRUE(std::isinf(*progressFromText(QStringLiteral("out_time_ms=1000000\n"), std::nullopt)));
}

TEST(ProgressFile, ReadsOnlyWhatWasAddedAndWaitsForHalfWrittenLines)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("movie.mkv.log"));

    ProgressFileRead read = readProgressFile(path, 7);
    EXPECT_FALSE(read.opened);
    EXPECT_EQ(read.offset, 0u);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("out_time_ms=1000000\nout_time_ms=50");
    file.flush();
    read = readProgressFile(path, 0);
    EXPECT_TRUE(read.opened);
    EXPECT_EQ(read.text, QByteArray("out_time_ms=1000000\n"));
    EXPECT_EQ(progressFromText(QString::fromUtf8(read.text), 100), 1.0f);

    file.write("00000\nprogress=continue\n");
    file.flush();
    read = readProgressFile(path, read.offset);
    EXPECT_EQ(read.text, QByteArray("out_time_ms=5000000\nprogress=continue\n"));
    EXPECT_EQ(progressFromText(QString::fromUtf8(read.text), 100), 5.0f);

    const quint64 end = read.offset;
    read = readProgressFile(path, end);
    EXPECT_TRUE(read.text.isEmpty());
    EXPECT_EQ(read.offset, end);
}

TEST(OutputFilter, DropsStatisticsLinesAndRunsTheRestTogether)
{
    EXPECT_EQ(keptOutput(QStringLiteral("a\nb\n")), QStringLiteral("ab"));
    EXPECT_EQ(keptOutput(QStringLiteral("frame=  50 fps=0.0 size=  1kB bitrate=  44.5kbits/s\rError here\r\n")),
              QStringLiteral("Error here"));
    // A statistics line cut in two by the pipe: neither half has both words, both are kept.
    EXPECT_EQ(keptOutput(QStringLiteral("frame=  50 fps=0.0")) + keptOutput(QStringLiteral(" bitrate=  1kbits/s\r")),
              QStringLiteral("frame=  50 fps=0.0 bitrate=  1kbits/s"));
    EXPECT_EQ(keptOutput(QString()), QString());
}

TEST(OutputFilter, TheLogKeepsTheLineBreaksOfTheKeptLines)
{
    EXPECT_EQ(keptOutputLines(QStringLiteral("a\nb\n")), QStringLiteral("a\nb\n"));
    EXPECT_EQ(
        keptOutputLines(QStringLiteral("frame=  50 fps=0.0 size=  1kB bitrate=  44.5kbits/s\rError here\r\nnext")),
        QStringLiteral("Error here\nnext"));
    // A line arriving in two reads is continued, not broken.
    EXPECT_EQ(keptOutputLines(QStringLiteral("Input #0, mat")) + keptOutputLines(QStringLiteral("roska\nStream")),
              QStringLiteral("Input #0, matroska\nStream"));
    EXPECT_EQ(keptOutputLines(QStringLiteral("\n\n")), QStringLiteral("\n\n"));
    EXPECT_EQ(keptOutputLines(QString()), QString());
}
