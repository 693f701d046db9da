// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/storagevolumes.h"

using tavrel::platform::maximumFileSizeForType;
using tavrel::platform::StorageVolumes;

TEST(StorageVolumes, OnlyFatTypesReportALargestFile)
{
    for (const char *fat : {"vfat", "msdos", "fat", "fat32", "VFAT", "MsDos", "FAT32"})
        EXPECT_EQ(maximumFileSizeForType(fat), std::optional<quint64>(4294967295u)) << fat;
    for (const char *other : {"ext4", "btrfs", "xfs", "tmpfs", "exfat", "ntfs", "fuseblk", "overlay", "", "fat16x"})
        EXPECT_EQ(maximumFileSizeForType(other), std::nullopt) << other;
}

TEST(StorageVolumes, MeasuresExistingFolderAndNotYetCreatedPaths)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    StorageVolumes volumes;

    const auto folder = volumes.figuresForPath(dir.path());
    EXPECT_GT(folder.freeBytes, 0u);

    // An output file and folders that do not exist yet are measured at the nearest existing folder.
    const auto missing = volumes.figuresForPath(dir.path() + QStringLiteral("/not yet/made/out.mp4"));
    EXPECT_GT(missing.freeBytes, 0u);
    EXPECT_EQ(missing.maximumFileSize, folder.maximumFileSize);
}

TEST(StorageVolumes, EmptyPathReadsZero)
{
    StorageVolumes volumes;
    const auto figures = volumes.figuresForPath(QString());
    EXPECT_EQ(figures.freeBytes, 0u);
    EXPECT_EQ(figures.maximumFileSize, std::nullopt);
}
