// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared pieces of the controller suites: hand-made movie records, a scanner that answers
// without running any tool, a fake ffmpeg that ends on cue, and waiting on the event loop.
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QSet>
#include <QThreadPool>
#include <QWaitCondition>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "testrequests.h"
#include "app/appdelegate.h"
#include "app/settings.h"
#include "inspection/mkvfileinfo.h"
#include "scriptedplatform.h"
#include "support/ossorylib.h"
#include "testenvironment.h"

namespace tavrel::test {

inline bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 10000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

// A record as the probe would give it, for a file that exists.
inline std::shared_ptr<MKVFileInfo> makeRecord(const QString &path,
                                               const QStringList &audio = {QStringLiteral("#1: eng (ac3)")})
{
    auto info = std::make_shared<MKVFileInfo>();
    info->fileURL = QUrl::fromLocalFile(path);
    info->fileName = info->fileURL.fileName();
    info->audioTracks = audioTracksFrom(audio);
    info->videoTrackID = 0;
    info->runtimeSeconds = 10;
    info->fileSize = 0;
    info->informationString = QStringLiteral("Duration: 00:00:10  Bitrate: 100 kb/s  Resolution: 320x240  "
                                             "Audiotracks: %1 (0)")
                                  .arg(audio.size());
    return info;
}

// Answers records without running a tool, and notes the order in which files were scanned.
// Runs on the thread pool, hence the lock.
// A scan of a file name that is held does not end until the name is released.
class FakeScanner
{
public:
    QHash<QString, QStringList> audioByName; // file name -> audio descriptions
    QString toolFailure;                     // set on every record when not empty

    ~FakeScanner()
    {
        {
            QMutexLocker lock(&m_mutex);
            m_held.clear();
            m_released.wakeAll();
        }
        QThreadPool::globalInstance()->waitForDone();
    }

    AppDelegate::Scanner scanner()
    {
        return [this](const QUrl &url) {
            auto info =
                makeRecord(url.toLocalFile(), audioByName.value(url.fileName(), {QStringLiteral("#1: eng (ac3)")}));
            info->toolFailure = toolFailure;
            QMutexLocker lock(&m_mutex);
            m_scanned.append(url.fileName());
            while (m_held.contains(url.fileName()))
                m_released.wait(&m_mutex);
            return info;
        };
    }
    QStringList scanned()
    {
        QMutexLocker lock(&m_mutex);
        return m_scanned;
    }
    void hold(const QString &name)
    {
        QMutexLocker lock(&m_mutex);
        m_held.insert(name);
    }
    void release(const QString &name)
    {
        QMutexLocker lock(&m_mutex);
        m_held.remove(name);
        m_released.wakeAll();
    }

private:
    QMutex m_mutex;
    QWaitCondition m_released;
    QSet<QString> m_held;
    QStringList m_scanned;
};

// A folder of the test's own with a resources folder holding a fake "ffmpeg": it runs until a
// file "<destination>.end" appears, then writes the destination (status 0) and exits with the
// status written in that file. Its probe of an output ("-i FILE") reports a complete movie of
// makeRecord's length, as the fake "mediainfo" next to it does (a longer one).
// The fake ffmpegs' answer to a probe of their output ("-i FILE"): a complete movie of
// makeRecord's length.
inline const char *const kProbeAnswer =
    "if [ \"$#\" = 2 ] && [ \"$1\" = -i ]; then\n"
    "  printf '  Duration: 00:00:10.00, start: 0.000000, bitrate: 100 kb/s\\n'\n"
    "  printf '  Stream #0:0(und): Video: h264 (High), yuv420p, 320x240, 25 fps\\n'\n"
    "  printf '  Stream #0:1(eng): Audio: ac3, 48000 Hz, stereo, fltp, 192 kb/s\\n'\n"
    "  exit 1\n"
    "fi\n";

class FakeTools
{
public:
    FakeTools()
    {
        EXPECT_TRUE(dir.isValid());
        QDir().mkpath(resources());
        writeFile(resources() + QStringLiteral("/ffmpeg"),
                  QByteArray("#!/bin/sh\n") + kProbeAnswer
                      + "for a in \"$@\"; do dest=\"$a\"; done\n"
                        "echo \"fake ffmpeg writing $dest\"\n"
                        "while [ ! -e \"$dest.end\" ]; do sleep 0.02; done\n"
                        "status=$(cat \"$dest.end\")\n"
                        "if [ \"${status:-0}\" = 0 ]; then echo done > \"$dest\"; fi\n"
                        "exit \"${status:-0}\"\n");
        QFile::setPermissions(resources() + QStringLiteral("/ffmpeg"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_TRUE(useFakeMediainfo(resources()));
        resourceDir.emplace(resources());
    }

    QString resources() const { return dir.path() + QStringLiteral("/resources"); }
    QString path(const QString &name) const { return dir.path() + u'/' + name; }

    // A source movie that exists (its contents never matter to the fake).
    QString movie(const QString &name)
    {
        const QString p = path(name);
        writeFile(p, "movie");
        return p;
    }

    // Lets the job's fake conversion end with the status (the fake writes the job's hidden file).
    static void end(const ConversionJob *job, int status = 0)
    {
        ASSERT_FALSE(job->partialOutputPath().isEmpty());
        writeFile(job->partialOutputPath() + QStringLiteral(".end"), QByteArray::number(status));
    }

    QTemporaryDir dir;
    std::optional<ScopedResourceDir> resourceDir;
};

// A fresh settings store per test.
class ControllerTest : public ::testing::Test
{
protected:
    ControllerTest() { resetSettingsStore(); }
};

} // namespace tavrel::test
