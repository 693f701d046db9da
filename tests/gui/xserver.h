// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A private Xvfb server for tests that start the real tavrel on a real X server, and what they
// ask it about its windows.
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTest>

#include <functional>
#include <optional>

namespace tavrel::test {

inline bool waitFor(const std::function<bool()> &condition, int timeoutMs)
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
        // -displayfd 1: the server picks a free display and writes its number to our pipe;
        // -noreset: a client that is killed does not reset the server under the next one.
        m_server.start(program,
                       {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-noreset")});
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
    // `env` for a tavrel on this server: no desktop around, so the fallback pictures, no scaling.
    QProcessEnvironment forTavrel(QProcessEnvironment env) const
    {
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        for (const char *name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "QT_QPA_PLATFORMTHEME",
                                 "QT_SCALE_FACTOR", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        return env;
    }
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
inline std::optional<QString> windowTitled(const XServer &x, const QString &title)
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

} // namespace tavrel::test
