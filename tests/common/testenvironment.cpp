// SPDX-License-Identifier: GPL-3.0-or-later
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "inspection/runastask.h"
#include "support/ossorylib.h"

namespace tavrel::test {
namespace {
QTemporaryDir *home()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/tavrel-test-XXXXXX"));
    return &dir;
}
int storeCounter = 0;
} // namespace

QString testHome()
{
    return home()->path();
}

void isolateUserFolders()
{
    const QByteArray h = testHome().toUtf8();
    qputenv("HOME", h);
    qputenv("XDG_CONFIG_HOME", h + "/.config");
    qputenv("XDG_DATA_HOME", h + "/.local/share");
    qputenv("XDG_CACHE_HOME", h + "/.cache");
    qputenv("XDG_DOCUMENTS_DIR", h + "/Documents");
    QDir().mkpath(testHome() + QStringLiteral("/Documents"));
    resetSettingsStore();
}

void resetSettingsStore()
{
    settings::useStoreFile(testHome() + QStringLiteral("/settings-%1.conf").arg(++storeCounter));
}

ScopedEnv::ScopedEnv(const char *name, const std::optional<QByteArray> &value) : m_name(name)
{
    // qgetenv cannot tell an empty variable from a missing one.
    if (qEnvironmentVariableIsSet(name))
        m_saved = qgetenv(name);
    if (value)
        qputenv(name, *value);
    else
        qunsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    if (m_saved)
        qputenv(m_name.constData(), *m_saved);
    else
        qunsetenv(m_name.constData());
}

ScopedResourceDir::ScopedResourceDir(const QString &path)
{
    OssoryLib::setResourceDirOverride(path);
}

ScopedResourceDir::~ScopedResourceDir()
{
    OssoryLib::setResourceDirOverride(QString());
}

QString fixtureText(const QString &relativePath)
{
    QFile file(QStringLiteral(TAVREL_TEST_FIXTURES "/") + relativePath);
    if (!file.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "missing fixture " << relativePath.toStdString();
    return decodeToolOutput(file.readAll());
}

QProcessEnvironment tavrelEnvironment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
    return env;
}

QProcessEnvironment batchEnvironment(const QString &home)
{
    QProcessEnvironment env = tavrelEnvironment(home);
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    return env;
}

bool useFakeConversion(QProcessEnvironment &env, const QString &folder, const QString &conversionBody)
{
    const QString real = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    QFile fake(folder + QStringLiteral("/ffmpeg"));
    const QByteArray script = QStringLiteral("#!/bin/sh\n"
                                             "real='%1'\n"
                                             "case \" $* \" in *\" -progress \"*) ;; *) exec \"$real\" \"$@\" ;; esac\n"
                                             "for a in \"$@\"; do dest=\"$a\"; done\n")
                                  .arg(real)
                                  .toUtf8()
        + conversionBody.toUtf8();
    if (real.isEmpty() || !QDir().mkpath(folder) || !fake.open(QIODevice::WriteOnly) || fake.write(script) < 0)
        return false;
    fake.close();
    env.insert(QStringLiteral("PATH"), folder + u':' + env.value(QStringLiteral("PATH")));
    return fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool useFakeMediainfo(const QString &folder)
{
    QFile fake(folder + QStringLiteral("/mediainfo"));
    return QDir().mkpath(folder) && fake.open(QIODevice::WriteOnly)
        && fake.write("#!/bin/sh\nexec cat '" TAVREL_TEST_FIXTURES "/mediainfo-output.xml'\n") > 0
        && fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool writeAutoAddSettings(const QString &home, const QString &destination, const QByteArray &extra)
{
    const QString folder = home + QStringLiteral("/.config/Ossory");
    QFile conf(folder + QStringLiteral("/Tavrel.conf"));
    return QDir().mkpath(folder) && conf.open(QIODevice::WriteOnly)
        && conf.write(QStringLiteral("[General]\nDestinationBookmarks=\"{\\\"path\\\": \\\"%1\\\"}\"\n"
                                     "DestinationNames=Converted Movies\nDefaultDestination=2\nAutoAdd=1\n")
                          .arg(destination)
                          .toUtf8()
                      + extra)
        > 0;
}

} // namespace tavrel::test
