// SPDX-License-Identifier: GPL-3.0-or-later
// The real tavrel program under a real Wayland compositor (Weston, headless): started as a user
// starts it, with a movie on its command line, AutoAdd, a destination folder and a window size
// remembered on X11. It converts the movie; its protocol log shows the main window mapped with
// the queue in its title and the desktop entry's name as its app id; the remembered size comes
// back; nothing is printed besides the protocol log. TAVREL_WAYLAND_SCREENSHOT=FILE also saves
// a picture of the compositor's screen there (scripts/screenshots uses it).
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <csignal>

#include "tavrelhome.h"
#include "testenvironment.h"
#include "ui/windowstate.h"

namespace tavrel::test {
namespace {

// Weston with its headless backend on a private runtime folder and socket; it draws with its
// CPU renderer, and its debug extension lets weston-screenshooter take pictures.
class WestonCompositor
{
public:
    static constexpr const char *kSocket = "tavrel-test";

    bool start()
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("weston"));
        if (program.isEmpty() || !m_runtime.isValid())
            return false;
        // No clock in the panel: the same picture at any time.
        QFile config(m_runtime.filePath(QStringLiteral("weston.ini")));
        if (!config.open(QIODevice::WriteOnly) || config.write("[shell]\nclock-format=none\n") < 0)
            return false;
        config.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("DISPLAY"));
        m_server.setProcessEnvironment(env);
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.start(program,
                       {QStringLiteral("--backend=headless-backend.so"),
                        QStringLiteral("--socket=") + QLatin1String(kSocket), QStringLiteral("--width=1280"),
                        QStringLiteral("--height=800"), QStringLiteral("--idle-time=0"), QStringLiteral("--use-pixman"),
                        QStringLiteral("--debug"), QStringLiteral("--config=") + config.fileName(),
                        QStringLiteral("--log=") + m_runtime.filePath(QStringLiteral("weston.log"))});
        if (!m_server.waitForStarted())
            return false;
        const QString socket = m_runtime.filePath(QLatin1String(kSocket));
        return QTest::qWaitFor([&] { return QFileInfo::exists(socket) || m_server.state() == QProcess::NotRunning; },
                               30000)
            && m_server.state() == QProcess::Running;
    }
    ~WestonCompositor()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            if (!m_server.waitForFinished(5000))
                m_server.kill();
        }
    }
    QString runtimeDir() const { return m_runtime.path(); }
    QString errors()
    {
        QFile log(m_runtime.filePath(QStringLiteral("weston.log")));
        return QString::fromLocal8Bit(m_server.readAll())
            + (log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString());
    }

    // The whole screen as a PNG file at `path`; false when weston-screenshooter failed.
    bool screenshot(const QString &path) const
    {
        QTemporaryDir folder; // the screenshooter writes into its working folder
        QProcess shooter;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QLatin1String(kSocket));
        shooter.setProcessEnvironment(env);
        shooter.setWorkingDirectory(folder.path());
        shooter.start(QStringLiteral("weston-screenshooter"), {});
        if (!shooter.waitForFinished(30000) || shooter.exitStatus() != QProcess::NormalExit || shooter.exitCode() != 0)
            return false;
        const QStringList shots = QDir(folder.path()).entryList({QStringLiteral("*.png")}, QDir::Files);
        if (shots.size() != 1)
            return false;
        QFile::remove(path);
        return QFile::copy(folder.filePath(shots.first()), path);
    }

private:
    QTemporaryDir m_runtime; // made with mode 0700, as the compositor demands
    QProcess m_server;
};

// One xdg_toplevel as the client's protocol log (WAYLAND_DEBUG=1) tells it.
struct LoggedToplevel
{
    QString surface; // its wl_surface
    QString xdgSurface;
    QStringList titles;
    QString appId;
    bool configured = false; // the surface acknowledged the compositor's first configure
    bool attachedSinceTitle = false;
    bool drawnSinceTitle = false; // a buffer committed after the last title: shown with it
};

QString quotedArgument(const QString &arguments)
{
    const qsizetype first = arguments.indexOf(QLatin1Char('"'));
    const qsizetype last = arguments.lastIndexOf(QLatin1Char('"'));
    return first >= 0 && last > first ? arguments.mid(first + 1, last - first - 1) : QString();
}

// The toplevels in the order the client made them, from its requests ("-> object@id.request(...)").
QList<LoggedToplevel> loggedToplevels(const QString &log)
{
    static const QRegularExpression request(QStringLiteral(R"(^\[\s*[\d.]+\]\s+->\s+(\w+@\d+)\.(\w+)\((.*)\)$)"));
    static const QRegularExpression newId(QStringLiteral(R"(new id (\w+@\d+))"));
    static const QRegularExpression surfaceArgument(QStringLiteral(R"((wl_surface@\d+))"));
    QList<LoggedToplevel> toplevels;
    QHash<QString, QString> surfaceOfXdgSurface;
    QHash<QString, qsizetype> current; // by wl_surface, xdg_surface and xdg_toplevel id
    for (const QString &line : log.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = request.match(line);
        if (!match.hasMatch())
            continue;
        const QString object = match.captured(1);
        const QString name = match.captured(2);
        const QString arguments = match.captured(3);
        if (name == QLatin1String("get_xdg_surface")) {
            surfaceOfXdgSurface.insert(newId.match(arguments).captured(1),
                                       surfaceArgument.match(arguments).captured(1));
        } else if (name == QLatin1String("get_toplevel")) {
            LoggedToplevel toplevel;
            toplevel.xdgSurface = object;
            toplevel.surface = surfaceOfXdgSurface.value(object);
            toplevels.append(toplevel);
            const qsizetype index = toplevels.size() - 1;
            current.insert(newId.match(arguments).captured(1), index);
            current.insert(object, index);
            current.insert(toplevel.surface, index);
        } else if (auto found = current.constFind(object); found != current.constEnd()) {
            LoggedToplevel &toplevel = toplevels[*found];
            if (name == QLatin1String("set_title")) {
                toplevel.titles.append(quotedArgument(arguments));
                toplevel.attachedSinceTitle = toplevel.drawnSinceTitle = false;
            } else if (name == QLatin1String("set_app_id")) {
                toplevel.appId = quotedArgument(arguments);
            } else if (name == QLatin1String("ack_configure")) {
                toplevel.configured = true;
            } else if (name == QLatin1String("attach")) {
                toplevel.attachedSinceTitle = !arguments.startsWith(QLatin1String("nil"));
            } else if (name == QLatin1String("commit")) {
                toplevel.drawnSinceTitle |= toplevel.configured && toplevel.attachedSinceTitle;
            } else if (name == QLatin1String("destroy")) {
                current.remove(object);
            }
        }
    }
    return toplevels;
}

// The lines that are not the protocol log: warnings and complaints.
QStringList otherLines(const QString &log)
{
    static const QRegularExpression protocol(QStringLiteral(R"(^\[\s*[\d.]+\] )"));
    QStringList lines;
    for (const QString &line : log.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty() && !protocol.match(line).hasMatch())
            lines.append(line);
    return lines;
}

QString fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool qtWaylandPluginInstalled()
{
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
    return !platforms.entryList({QStringLiteral("libqwayland-*.so")}, QDir::Files).isEmpty();
}

TEST(WaylandWindow, ConvertsAMovieUnderWestonAndMapsItsWindowWithTitleAndAppId)
{
    ASSERT_TRUE(qtWaylandPluginInstalled()) << "Qt's Wayland platform (Debian package qt6-wayland) is missing";
    WestonCompositor weston;
    ASSERT_TRUE(weston.start()) << "Weston (Debian package weston) could not be started: "
                                << weston.errors().toStdString();

    TavrelHome home;
    // The source goes when the job has finished: the sign the test waits for.
    ASSERT_TRUE(home.prepare("AutoRemove=1\nAutoRemoveType=1\n"));
    const QString out = home.out();
    const QString movie = home.movie();
    // A size and place remembered on X11: the size comes back, the place is the compositor's.
    const QSize remembered(900, 600);
    {
        QWidget window;
        window.setGeometry(QRect(QPoint(300, 200), remembered));
        QSettings conf(home.path() + QStringLiteral("/.config/Ossory/Tavrel.conf"), QSettings::IniFormat);
        conf.setValue(QStringLiteral("Windows/MainWindowGeometry"), window.saveGeometry());
    }

    QProcess app;
    QProcessEnvironment env = tavrelEnvironment(home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), weston.runtimeDir());
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), QLatin1String(WestonCompositor::kSocket));
    env.insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("1"));
    for (const char *name :
         {"DISPLAY", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "QT_QPA_PLATFORMTHEME",
          "QT_SCALE_FACTOR", "QT_WAYLAND_DECORATION", "QT_WAYLAND_SHELL_INTEGRATION", "QT_LOGGING_RULES"})
        env.remove(QString::fromLatin1(name));
    app.setProcessEnvironment(env);
    const QString stderrPath = home.path() + QStringLiteral("/stderr.log");
    const QString stdoutPath = home.path() + QStringLiteral("/stdout.log");
    app.setStandardErrorFile(stderrPath);
    app.setStandardOutputFile(stdoutPath);
    app.start(QStringLiteral(TAVREL_BINARY), {QStringLiteral("--"), movie});
    ASSERT_TRUE(app.waitForStarted());
    // Kept for a look when something fails.
    auto output = [&] {
        const QString kept = QDir::tempPath() + QStringLiteral("/tavrel-waylandwindow-stderr.log");
        QFile::remove(kept);
        QFile::copy(stderrPath, kept);
        const QString text = fileText(stdoutPath) + QStringLiteral("\nother lines on stderr:\n")
            + otherLines(fileText(stderrPath)).join(QLatin1Char('\n')) + QStringLiteral("\nprotocol log in ") + kept;
        return text.toStdString();
    };
    // ffmpeg writes "progress=end" to the job's progress file as it finishes the MP4; the job is
    // Finished once its output has been checked, and then the source goes.
    const QString mp4 = out + QStringLiteral("/Holiday.mp4");
    auto converted = [&] {
        return QFileInfo(mp4).size() > 0
            && fileText(home.path() + QStringLiteral("/Documents/Holiday.mkv.log"))
                   .contains(QLatin1String("progress=end"));
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return converted() || app.state() == QProcess::NotRunning; }, 120000))
        << output();
    ASSERT_TRUE(converted()) << "tavrel ended before the MP4 was written: " << output();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !QFileInfo::exists(movie) || app.state() == QProcess::NotRunning; }, 60000));
    ASSERT_FALSE(QFileInfo::exists(movie)) << output();

    // One job in the list, none waiting, in the title of a window the compositor was given to show,
    // whose app id names the desktop entry, so the compositor matches the window to it.
    const QStringList entries =
        QDir(QStringLiteral(TAVREL_SOURCE_DIR "/resources")).entryList({QStringLiteral("*.desktop")}, QDir::Files);
    ASSERT_EQ(entries.size(), 1) << entries.join(QLatin1Char(' ')).toStdString();
    const QString appId = QFileInfo(entries.first()).completeBaseName();
    const QString title = QStringLiteral("Tavrel  [1 Job(s), 0 Queued]");
    auto mainWindow = [&]() -> std::optional<LoggedToplevel> {
        for (const LoggedToplevel &toplevel : loggedToplevels(fileText(stderrPath)))
            if (toplevel.appId == appId && !toplevel.titles.isEmpty() && toplevel.titles.last() == title
                && toplevel.drawnSinceTitle)
                return toplevel;
        return std::nullopt;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return mainWindow().has_value(); }, 30000)) << output();

    if (const QByteArray shot = qgetenv("TAVREL_WAYLAND_SCREENSHOT"); !shot.isEmpty() && mainWindow()) {
        const QString path = QFile::decodeName(shot);
        EXPECT_TRUE(weston.screenshot(path)) << weston.errors().toStdString();
        EXPECT_FALSE(QImage(path).isNull()) << path.toStdString();
    }

    // A termination signal quits as the window's Quit does.
    ::kill(pid_t(app.processId()), SIGTERM);
    ASSERT_TRUE(app.waitForFinished(30000));
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0) << output();
    EXPECT_GT(QFileInfo(mp4).size(), 0) << "a finished job's output stays at quit";
    // Saved at quit: the window kept the size it came back with.
    const std::optional<RememberedSize> saved =
        readRememberedSize(QSettings(home.path() + QStringLiteral("/.config/Ossory/Tavrel.conf"), QSettings::IniFormat)
                               .value(QStringLiteral("Windows/MainWindowGeometry"))
                               .toByteArray());
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->normalSize, remembered);
    // Nothing warns: no geometry or activation complaints from Qt's Wayland platform.
    EXPECT_EQ(otherLines(fileText(stderrPath)), QStringList()) << output();
}

} // namespace
} // namespace tavrel::test
