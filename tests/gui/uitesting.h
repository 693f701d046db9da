// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared set-up of the window suites: scripted platform, a fresh settings store, the build's
// resources, a controller whose scans answer at once, and jobs put in a chosen state.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

#include "testrequests.h"
#include "app/appdelegate.h"
#include "conversion/conversionjob.h"
#include "inspection/mkvfileinfo.h"
#include "scriptedplatform.h"
#include "support/ossorylib.h"
#include "testenvironment.h"

// Readable QString values in assertion messages.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tavrel::test {

inline std::shared_ptr<MKVFileInfo> uiRecord(const QString &path, const QStringList &audio)
{
    auto info = std::make_shared<MKVFileInfo>();
    info->fileURL = QUrl::fromLocalFile(path);
    info->fileName = info->fileURL.fileName();
    info->audioTracks = audioTracksFrom(audio);
    info->videoTrackID = 0;
    info->runtimeSeconds = 600;
    info->fileSize = 1000;
    info->informationString =
        QStringLiteral("Duration: 00:10:00  Bitrate: 100 kb/s  Resolution: 1280x720  Audiotracks: %1 (0)")
            .arg(audio.size());
    return info;
}

class UiFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetSettingsStore();
        resources.emplace(QStringLiteral(TAVREL_BUILD_RESOURCES));
        ASSERT_TRUE(dir.isValid());
        delegate = std::make_unique<AppDelegate>();
        delegate->setScanner([](const QUrl &url) {
            return uiRecord(url.toLocalFile(),
                            {QStringLiteral("#1: eng (dts) [5.1]"), QStringLiteral("#2: ger (aac)")});
        });
        delegate->applicationDidFinishLaunching();
    }
    void TearDown() override { delegate.reset(); }

    // A job in the list in the given state, without a child process: the queue is paused while
    // it is added so nothing starts, then resumed without a sender (which starts nothing).
    ConversionJob *addJobInState(const QString &name, qint32 state)
    {
        const bool wasPaused = delegate->paused();
        if (!wasPaused)
            delegate->pauseContinueClicked(delegate.get());
        auto info = uiRecord(dir.filePath(name + QStringLiteral(".mkv")), {QStringLiteral("#1: eng (ac3)")});
        auto *job = jobFor(&delegate->queue(), info, dir.filePath(name + QStringLiteral(".mp4")));
        job->setState(state); // before it is added, so the title counts it as it is
        delegate->addJob(job);
        if (!wasPaused)
            delegate->pauseContinueClicked(nullptr);
        return job;
    }

    ScriptedPlatform platform;
    std::optional<ScopedResourceDir> resources;
    QTemporaryDir dir;
    std::unique_ptr<AppDelegate> delegate;
};

} // namespace tavrel::test
