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
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

#include "../tools/moviemaker.h"
#include "testenvironment.h"

namespace tavrel::test {
namespace {

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

// A private X server on a free display; the test fails when Xvfb is missing.
class XServer
{
public:
    bool start()
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (program.isEmpty())
            return false;
        // -displayfd 1: the server picks a free display and writes its number to our pipe.
        m_server.start(program,
                       {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp")});
        if (!m_server.waitForStarted())
            return false;
        QByteArray out;
        while (!out.contains('\n') && m_server.state() == QProcess::Running && m_server.waitForReadyRead(20000))
            out += m_server.readAllStandardOutput();
        const QByteArray number = out.trimmed();
        if (number.isEmpty())
            return false;
        m_display = QStringLiteral(":") + QString::fromLatin1(number);
        return true;
    }
    ~XServer()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            if (!m_server.waitForFinished(5000))
                m_server.kill();
        }
    }
    QString display() const { return m_display; }
    QString errors() { return QString::fromLocal8Bit(m_server.readAllStandardError()); }

    // Runs an X client on this server; its output, or nothing when it failed.
    std::optional<QString> run(const QString &program, const QStringList &arguments) const
    {
        QProcess client;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        client.setProcessEnvironment(env);
        client.start(program, arguments);
        if (!client.waitForFinished(30000) || client.exitStatus() != QProcess::NormalExit || client.exitCode() != 0)
            return std::nullopt;
        return QString::fromLocal8Bit(client.readAllStandardOutput());
    }

private:
    QProcess m_server;
    QString m_display;
};

// The window id of the top-level window with exactly this title, from the server's window tree.
std::optional<QString> windowTitled(const XServer &x, const QString &title)
{
    const std::optional<QString> tree =
        x.run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    if (!tree)
        return std::nullopt;
    const QString quoted = QLatin1Char('"') + title + QLatin1Char('"');
    for (const QString &line : tree->split(QLatin1Char('\n'))) {
        const QString trimmedLine = line.trimmed();
        const qsizetype space = trimmedLine.indexOf(QLatin1Char(' '));
        if (space > 0 && trimmedLine.mid(space + 1).startsWith(quoted + QLatin1Char(':')))
            return trimmedLine.left(space);
    }
    return std::nullopt;
}

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

    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString out = home.path() + QStringLiteral("/Converted Movies");
    ASSERT_TRUE(QDir().mkpath(out));
    ASSERT_TRUE(QDir().mkpath(home.path() + QStringLiteral("/.config/Ossory")));
    {
        QFile conf(home.path() + QStringLiteral("/.config/Ossory/Tavrel.conf"));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write(QStringLiteral("[General]\nDestinationBookmarks=\"{\\\"path\\\": \\\"%1\\\"}\"\n"
                                  "DestinationNames=Converted Movies\nDefaultDestination=2\nAutoAdd=1\n"
                                  // The source goes when the job has finished: the sign the test waits for.
                                  "AutoRemove=1\nAutoRemoveType=1\n")
                       .arg(out)
                       .toUtf8());
    }
    const QString movie = home.path() + QStringLiteral("/Holiday.mkv");
    ASSERT_TRUE(makeMovie(
        testAudio() + h264Video(QStringLiteral("64x48"), 10) + QStringList{"-t", "0.4", "-c:a", "ac3"}, movie));

    QProcess app;
    QProcessEnvironment env = tavrelEnvironment(home.path());
    env.insert(QStringLiteral("DISPLAY"), x.display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // No desktop around: the fallback pictures, no scaling.
    for (const char *name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "QT_QPA_PLATFORMTHEME",
                             "QT_SCALE_FACTOR", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(name));
    app.setProcessEnvironment(env);
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
