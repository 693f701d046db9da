// SPDX-License-Identifier: GPL-3.0-or-later
// The real tavrel program started as a user starts it, with its own settings file, a home of
// the test's own and movies on its command line.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

#include "moviemaker.h"
#include "testenvironment.h"

namespace tavrel::test {
namespace {

QString tavrelBinary()
{
    return QFileInfo(QStringLiteral(TAVREL_BUILD_RESOURCES)).absolutePath() + QStringLiteral("/tavrel");
}

class WholeApplication : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(QFileInfo(tavrelBinary()).isExecutable()) << "build the tavrel target first";
        QDir().mkpath(home.path() + QStringLiteral("/.config/Ossory"));
        QDir().mkpath(out());
    }

    QString out() const { return home.path() + QStringLiteral("/Converted Movies"); }

    // A hand-written settings file, as the README shows one, sending every movie to out().
    void writeSettings(const QString &extra)
    {
        QFile conf(home.path() + QStringLiteral("/.config/Ossory/Tavrel.conf"));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write(QStringLiteral("[General]\nDestinationBookmarks=\"{\\\"path\\\": \\\"%1\\\"}\"\n"
                                  "DestinationNames=Converted Movies\nDefaultDestination=2\nAutoAdd=1\n%2")
                       .arg(out(), extra)
                       .toUtf8());
    }

    void start(const QStringList &files, const QString &path = QString())
    {
        QProcessEnvironment env = tavrelEnvironment(home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (!path.isEmpty())
            env.insert(QStringLiteral("PATH"), path);
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.start(tavrelBinary(), QStringList{QStringLiteral("--")} + files);
        ASSERT_TRUE(app.waitForStarted());
    }

    QTemporaryDir home;
    QProcess app;
};

TEST_F(WholeApplication, FiftyMoviesOnOneLaunchAllConvertBeforeItQuitsByItself)
{
    writeSettings(QStringLiteral("QuitAfterConversion=1\n"));
    const QString first = home.path() + QStringLiteral("/Movie 1.mkv");
    ASSERT_TRUE(makeMovie(
        testAudio() + h264Video(QStringLiteral("64x48"), 10) + QStringList{"-t", "0.4", "-c:a", "ac3"}, first));
    QStringList movies{first};
    for (int i = 2; i <= 50; ++i) {
        movies.append(home.path() + QStringLiteral("/Movie %1.mkv").arg(i));
        ASSERT_TRUE(QFile::copy(first, movies.last()));
    }
    start(movies);
    ASSERT_TRUE(app.waitForFinished(300000)) << app.readAll().toStdString();
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0) << app.readAll().toStdString();

    const QStringList made = QDir(out()).entryList({QStringLiteral("*.mp4")}, QDir::Files);
    EXPECT_EQ(made.size(), 50) << made.join(u',').toStdString();
    QSet<QString> expected;
    for (int i = 1; i <= 50; ++i)
        expected.insert(QStringLiteral("Movie %1.mp4").arg(i));
    EXPECT_EQ(QSet<QString>(made.cbegin(), made.cend()), expected);
    for (const QString &name : made)
        EXPECT_GT(QFileInfo(out() + u'/' + name).size(), 0) << name.toStdString();
}

TEST_F(WholeApplication, ATerminationSignalDuringAScanEndsItsToolAndTheProcess)
{
    writeSettings(QString());
    // An ffmpeg that never answers the probe.
    const QString tools = home.path() + QStringLiteral("/tools");
    QDir().mkpath(tools);
    const QString pidFile = home.path() + QStringLiteral("/probe.pid");
    QFile fake(tools + QStringLiteral("/ffmpeg"));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write(
        QStringLiteral("#!/bin/sh\necho $$ > '%1.tmp' && mv '%1.tmp' '%1'\nexec sleep 600\n").arg(pidFile).toUtf8());
    fake.close();
    fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString movie = home.path() + QStringLiteral("/Stuck.mkv");
    QFile(movie).open(QIODevice::WriteOnly);

    start({movie}, tools + QStringLiteral(":/usr/bin:/bin"));
    qint64 probe = 0;
    for (int i = 0; i < 3000 && probe == 0 && app.state() == QProcess::Running; ++i) {
        app.waitForFinished(10); // the program's output is read meanwhile
        QFile pid(pidFile);
        if (pid.open(QIODevice::ReadOnly))
            probe = pid.readAll().trimmed().toLongLong();
    }
    ASSERT_GT(probe, 0) << "the scan never ran ffmpeg: " << app.readAll().toStdString();

    ::kill(pid_t(app.processId()), SIGTERM);
    EXPECT_TRUE(app.waitForFinished(2000)) << "still running 2 s after SIGTERM";
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    QFile stat(QStringLiteral("/proc/%1/stat").arg(probe));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray text = stat.readAll();
        EXPECT_EQ(text.mid(text.lastIndexOf(')') + 2, 1), QByteArray("Z")) << "the probe still runs";
    }
    if (app.state() != QProcess::NotRunning)
        app.kill();
    ::kill(pid_t(probe), SIGKILL);
}

} // namespace
} // namespace tavrel::test
