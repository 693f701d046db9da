// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>

#include <optional>

namespace tavrel::test {

// Points HOME and the XDG folders at a fresh temporary folder and the settings store at a file
// inside it. Called once by the test main before the application object exists.
void isolateUserFolders();

// The temporary home made by isolateUserFolders().
QString testHome();

// A fresh, empty settings store for one test (a new file in the temporary home).
void resetSettingsStore();

// A file under tests/fixtures, decoded as the tool runner decodes what the tools print; the
// test fails when it is missing.
QString fixtureText(const QString &relativePath);

// The environment for a tavrel started by a test: this one, with its home, settings and data
// folders under `home` and no session bus, so the user's own Tavrel never receives its movies.
QProcessEnvironment tavrelEnvironment(const QString &home);

// The same for a batch: no display either, as a cron job or a user service starts it.
QProcessEnvironment batchEnvironment(const QString &home);

// Puts an ffmpeg in `folder` at the front of env's PATH: a conversion (a call with -progress) runs
// `conversionBody`, a shell script with the real ffmpeg as $real and the output as $dest; every
// other call (the probes, the audio test) is the real ffmpeg's. False when it could not be made.
bool useFakeConversion(QProcessEnvironment &env, const QString &folder, const QString &conversionBody);
// Puts a mediainfo in `folder` that reads any file as a complete, playable movie of 100 seconds
// (the recorded mediainfo-output.xml), for fake conversions whose output the check reads.
bool useFakeMediainfo(const QString &folder);
// The body of a conversion that writes a little and then waits to be stopped.
inline QString slowConversion()
{
    return QStringLiteral("exec '" TAVREL_TEST_FAKES "/ffmpeg-slow.sh' \"$@\"\n");
}

// Writes the settings of such a tavrel: `destination` as its only destination folder, chosen by
// default, AutoAdd on, then the `extra` lines. False when the file could not be written.

bool writeAutoAddSettings(const QString &home, const QString &destination, const QByteArray &extra = {});

// Sets an environment variable, or unsets it given no value, until the guard goes; then the old
// value, or its absence, is back (also when an assertion ends the test early).
class ScopedEnv final
{
public:
    ScopedEnv(const char *name, const std::optional<QByteArray> &value);
    ~ScopedEnv();

    Q_DISABLE_COPY_MOVE(ScopedEnv)

private:
    QByteArray m_name;
    std::optional<QByteArray> m_saved;
};

// Points the resources folder at `path` until the guard goes; then the usual folder is back.
class ScopedResourceDir final
{
public:
    explicit ScopedResourceDir(const QString &path);
    ~ScopedResourceDir();

    Q_DISABLE_COPY_MOVE(ScopedResourceDir)
};

} // namespace tavrel::test
