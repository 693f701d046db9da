// SPDX-License-Identifier: GPL-3.0-or-later
// A later run deletes the partial outputs no live run holds, and nothing that is not plainly one.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "conversion/outputfile.h"

namespace tavrel {
namespace {

TEST(PartialOutputs, ALaterRunDeletesWhatNoLiveRunHoldsAndNothingElse)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    PartialOutput live = createPartialOutput(folder);
    ASSERT_FALSE(live.path.isEmpty()) << live.error.toStdString();
    PartialOutput ended = createPartialOutput(folder);
    ended.lock.release();
    const QString crashed = folder + "/.tavrel-Crash1.partial.mp4", link = folder + "/.tavrel-Link01.partial.mp4",
                  subfolder = folder + "/.tavrel-Folder.partial.mp4", other = folder + "/.tavrel-Other.mp4";
    for (const QString &path : {crashed, other})
        QFile(path).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(other, link));
    ASSERT_TRUE(QDir().mkpath(subfolder));

    QStringList removed{ended.path, crashed};
    removed.sort();
    EXPECT_EQ(removeAbandonedPartials(folder), removed);
    for (const QString &path : {live.path, link, subfolder, other})
        EXPECT_TRUE(QFileInfo(path).exists()) << path.toStdString();
    EXPECT_FALSE(removeAbandonedPartial(live.path));
    EXPECT_TRUE(live.lock.holds(live.path));
}

} // namespace
} // namespace tavrel
