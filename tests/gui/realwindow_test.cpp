// SPDX-License-Identifier: GPL-3.0-or-later
// The real tavrel program on a real X server (Xvfb): started as a user starts it, with its own
// settings, a movie on its command line, AutoAdd and a destination folder; it converts the movie
// with the real ffmpeg, and its window shows the queue in its title and its toolbar's pictures.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

#include "tavrelhome.h"
#include "testenvironment.h"
#include "xserver.h"

namespace tavrel::test {
namespace {

// Where the picture appears in the image: its fully opaque pixels match, wherever it was drawn
// over the toolbar's background. Only the top of the window is searched.
bool showsPicture(const QImage &window, const QImage &picture, int searchHeight)
{
    const QImage shot = window.convertToFormat(QImage::Format_RGB32);
    const QImage pic = picture.convertToFormat(QImage::Format_ARGB32);
    QList<QPoint> opaque;
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x)
            if (qAlpha(pic.pixel(x, y)) == 255)
                opaque.append({x, y});
    if (opaque.size() < 50)
        return false;
    auto near = [](QRgb a, QRgb b) {
        return qAbs(qRed(a) - qRed(b)) <= 3 && qAbs(qGreen(a) - qGreen(b)) <= 3 && qAbs(qBlue(a) - qBlue(b)) <= 3;
    };
    for (int top = 0; top + pic.height() <= qMin(searchHeight, shot.height()); ++top) {
        for (int left = 0; left + pic.width() <= shot.width(); ++left) {
            bool all = true;
            for (const QPoint &p : std::as_const(opaque)) {
                if (!near(shot.pixel(left + p.x(), top + p.y()), pic.pixel(p))) {
                    all = false;
                    break;
                }
            }
            if (all)
                return true;
        }
    }
    return false;
}

TEST(RealWindow, ConvertsAMovieOnARealXServerAndShowsItsTitleAndToolbar)
{
    XServer x;
    ASSERT_TRUE(x.start()) << "Xvfb (Debian package xvfb) could not be started: " << x.errors().toStdString();
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xwininfo")).isEmpty())
        << "xwininfo (Debian package x11-utils) is missing";

    TavrelHome home;
    // The source goes when the job has finished: the sign the test waits for.
    ASSERT_TRUE(home.prepare("AutoRemove=1\nAutoRemoveType=1\n"));
    const QString out = home.out();
    const QString movie = home.movie();

    QProcess app;
    app.setProcessEnvironment(x.forTavrel(tavrelEnvironment(home.path())));
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(QStringLiteral(TAVREL_BINARY), {QStringLiteral("--"), movie});
    ASSERT_TRUE(app.waitForStarted());

    // ffmpeg writes "progress=end" to the job's progress file as it finishes the MP4.
    const QString mp4 = out + QStringLiteral("/Holiday.mp4");
    const QString progress = home.path() + QStringLiteral("/Documents/Holiday.mkv.log");
    auto converted = [&] {
        QFile file(progress);
        return QFileInfo(mp4).size() > 0 && file.open(QIODevice::ReadOnly) && file.readAll().contains("progress=end");
    };
    ASSERT_TRUE(waitFor([&] { return converted() || app.state() == QProcess::NotRunning; }, 120000))
        << app.readAll().toStdString();
    ASSERT_TRUE(converted()) << "tavrel ended before the MP4 was written: " << app.readAll().toStdString();
    // ffmpeg is done; the job is Finished once its output has been checked.
    ASSERT_TRUE(waitFor([&] { return !QFileInfo::exists(movie) || app.state() == QProcess::NotRunning; }, 60000));
    ASSERT_FALSE(QFileInfo::exists(movie)) << app.readAll().toStdString();

    // One job in the list, none waiting: the queue's title, on the window the server shows.
    const QString title = QStringLiteral("Tavrel  [1 Job(s), 0 Queued]");
    std::optional<QString> id;
    EXPECT_TRUE(waitFor([&] { return (id = windowTitled(x, title)).has_value(); }, 30000))
        << x.run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")})
               .value_or(QString())
               .toStdString();

    if (id) {
        const QString shot = home.path() + QStringLiteral("/window.png");
        // Painted once the finished job has been drawn: grab until the Clean button is enabled.
        const QImage clean = QImage(QStringLiteral(TAVREL_BUILD_RESOURCES "/toolbar_clean.png"))
                                 .scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QImage window;
        const bool grabbed = waitFor(
            [&] {
                if (!x.run(QStringLiteral(TAVREL_WINDOW_GRAB), {*id, shot}))
                    return false;
                window = QImage(shot);
                return !window.isNull() && showsPicture(window, clean, 120);
            },
            30000);
        ASSERT_FALSE(window.isNull()) << "the window could not be grabbed";
        EXPECT_TRUE(grabbed) << "no Clean picture in the toolbar (grab in " << shot.toStdString() << ")";
        for (const char *name : {"toolbar_add", "toolbar_pause"}) {
            const QImage picture =
                QImage(QStringLiteral(TAVREL_BUILD_RESOURCES "/") + QLatin1String(name) + QStringLiteral(".png"))
                    .scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            EXPECT_TRUE(showsPicture(window, picture, 120)) << "no " << name << " picture in the toolbar";
        }
        if (::testing::Test::HasFailure())
            QFile::copy(shot, QDir::tempPath() + QStringLiteral("/tavrel-realwindow.png"));
    }

    // A termination signal quits as the window's Quit does; the window's place is remembered.
    ::kill(pid_t(app.processId()), SIGTERM);
    ASSERT_TRUE(app.waitForFinished(30000));
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0) << app.readAll().toStdString();
    EXPECT_GT(QFileInfo(mp4).size(), 0) << "a finished job's output stays at quit";
    QFile conf(home.path() + QStringLiteral("/.config/Ossory/Tavrel.conf"));
    ASSERT_TRUE(conf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(conf.readAll().contains("MainWindowGeometry"));
}

} // namespace
} // namespace tavrel::test
