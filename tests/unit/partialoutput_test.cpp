// Partial outputs belong to the run that holds their lock: a later run deletes only the ones that
// no live run holds, and nothing that is not plainly one of them.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "conversion/outputfile.h"

using namespace tavrel;

namespace {

void writeFile(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("half a movie");
}

TEST(PartialOutputs, ALaterRunDeletesWhatNoLiveRunHoldsAndNothingElse)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    PartialOutput live = createPartialOutput(folder);
    ASSERT_FALSE(live.path.isEmpty()) << live.error.toStdString();
    PartialOutput ended = createPartialOutput(folder);
    ended.lock.release(); // its run has ended
    const QString elsewhere = dir.filePath(QStringLiteral("kept.mp4"));
    writeFile(elsewhere);

    struct Row
    {
        QString path;
        bool removed;
    };
    const Row rows[] = {
        {live.path, false},
        {ended.path, true},
        {folder + QStringLiteral("/.tavrel-Crash1.partial.mp4"), true}, // a killed run's, never locked since
        {folder + QStringLiteral("/.tavrel-Link01.partial.mp4"), false},
        {folder + QStringLiteral("/.tavrel-Folder.partial.mp4"), false},
        {folder + QStringLiteral("/Movie.mp4"), false},
        {folder + QStringLiteral("/.tavrel-Other.mp4"), false},
    };
    writeFile(rows[2].path);
    ASSERT_TRUE(QFile::link(elsewhere, rows[3].path));
    ASSERT_TRUE(QDir().mkpath(rows[4].path));
    writeFile(rows[5].path);
    writeFile(rows[6].path);

    QStringList expected;
    for (const Row &row : rows)
        if (row.removed)
            expected.append(row.path);
    expected.sort();
    EXPECT_EQ(removeAbandonedPartials(folder), expected);
    for (const Row &row : rows)
        EXPECT_EQ(QFileInfo(row.path).exists() || QFileInfo(row.path).isSymLink(), !row.removed)
            << row.path.toStdString();
    EXPECT_TRUE(QFile::exists(elsewhere));
    EXPECT_FALSE(removeAbandonedPartial(live.path));
    EXPECT_TRUE(live.lock.holds(live.path)) << "the live job keeps its file and its lock";
}

} // namespace
