// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Makes tiny movies with the real ffmpeg for the tests that run the tools.
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

namespace tavrel::test {

// Runs ffmpeg with the given arguments, writing `output`; the test fails loudly when ffmpeg is
// missing or refuses.
inline ::testing::AssertionResult makeMovie(const QStringList &arguments, const QString &output)
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return ::testing::AssertionFailure() << "ffmpeg is not installed";
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(ffmpeg, QStringList{"-hide_banner", "-loglevel", "error", "-y"} + arguments + QStringList{output});
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return ::testing::AssertionFailure()
            << "ffmpeg failed making " << output.toStdString() << ": " << process.readAll().toStdString();
    return ::testing::AssertionSuccess();
}

// A test picture source of the given size for "-f lavfi -i".
inline QStringList testVideo(const QString &size)
{
    return {"-f", "lavfi", "-i", QStringLiteral("testsrc=size=%1:rate=25").arg(size)};
}

inline QStringList testAudio()
{
    return {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000"};
}

// A small H.264 picture of the given size, `frames` long, with extra x264 parameters.
inline QStringList h264Video(const QString &size, int frames, const QString &x264Params = QString())
{
    QStringList args = testVideo(size)
        + QStringList{"-frames:v", QString::number(frames), "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt",
                      "yuv420p"};
    if (!x264Params.isEmpty())
        args += QStringList{"-x264-params", x264Params};
    return args;
}

} // namespace tavrel::test
