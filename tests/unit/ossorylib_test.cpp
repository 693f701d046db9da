// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "scriptedplatform.h"
#include "support/hostinformation.h"
#include "support/ossorylib.h"
#include "testenvironment.h"

using namespace tavrel;

namespace {

void touch(const QString &path, const QByteArray &content = QByteArray())
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

TEST(OssoryLib, BuildNumberIsTheLeadingInteger)
{
    const QList<std::pair<QString, int>> cases = {
        {QStringLiteral("123"), 123}, {QStringLiteral("1.2"), 1}, {QStringLiteral("x"), 0},
        {QStringLiteral(" 42b"), 42}, {QStringLiteral(""), 0},    {QStringLiteral("99999999999"), 2147483647},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(appVersionFromText(text), expected) << text.toStdString();
}

TEST(OssoryLib, ConstructionPreparesFoldersAndSharedInstance)
{
    const QString support =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tavrel");
    QDir(support).removeRecursively();
    {
        OssoryLib lib;
        EXPECT_EQ(OssoryLib::shared(), &lib);
        EXPECT_EQ(lib.suppDir(), support);
        EXPECT_TRUE(QFileInfo(support).isDir());
        EXPECT_EQ(lib.appName(), QStringLiteral("Tavrel"));

        // The progress file goes into the documents folder, so it is made when missing.
        const QString documents = tavrel::test::testHome() + QStringLiteral("/Documents");
        QDir(documents).removeRecursively();
        EXPECT_EQ(lib.docDir(), documents);
        EXPECT_TRUE(QFileInfo(documents).isDir());
    }
    EXPECT_EQ(OssoryLib::shared(), nullptr);
}

TEST(OssoryLib, CrashReportsMatchNameIgnoringCaseAndDiacritics)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QStringList matching = {
        QStringLiteral("core.tavrel.1000.b3f1.4242.1700000000000000.zst"),
        QStringLiteral("core.TAVREL.1000.x.1.2.zst"),
        QStringLiteral("core.T\u00e1vrel-helper.1000.x.1.2"),
    };
    for (const QString &name : matching)
        touch(folder.filePath(name));
    for (const char *name : {"core.tav.1000.x", "core.other.1000.x", "tavrel.core", "Tavrel.crash", "xcore.tavrel"})
        touch(folder.filePath(QString::fromLatin1(name)));

    QStringList found = OssoryLib::crashReportsIn(folder.path(), QStringLiteral("Tavrel"));
    found.sort();
    QStringList expected = matching;
    expected.sort();
    EXPECT_EQ(found, expected);

    OssoryLib::setCrashReportDirOverride(folder.path());
    EXPECT_EQ(OssoryLib().appCrashLogs().size(), 3);
    OssoryLib::setCrashReportDirOverride(folder.path() + QStringLiteral("/missing"));
    EXPECT_TRUE(OssoryLib().appCrashLogs().isEmpty());
    OssoryLib::setCrashReportDirOverride(QString());
}

TEST(OssoryLib, OpenURLOpensLibraryLinks)
{
    test::ScriptedPlatform platform;
    OssoryLib lib;
    lib.openURL(0);
    lib.openURL(7);
    EXPECT_TRUE(platform.workspace.opened.isEmpty());
    lib.openURL(3);
    ASSERT_EQ(platform.workspace.opened.size(), 1);
    const QString vendor = OssoryLib::infoValue(QStringLiteral("VendorProductPage"));
    EXPECT_EQ(platform.workspace.opened.at(0).toString(),
              vendor.isEmpty() ? OssoryLib::infoValue(QStringLiteral("WebSite")) + QStringLiteral("tavrel/") : vendor);
    lib.openURL(1);
    ASSERT_EQ(platform.workspace.opened.size(), 2);
    EXPECT_EQ(platform.workspace.opened.at(1).scheme(), QStringLiteral("mailto"));
}

TEST(HostInformation, ModelFromFirstReadableFile)
{
    QTemporaryDir folder;
    const QString dmi = folder.filePath(QStringLiteral("product_name"));
    const QString tree = folder.filePath(QStringLiteral("model"));
    const QString missing = folder.filePath(QStringLiteral("missing"));
    touch(dmi, "Precision 5520\n");
    touch(tree, QByteArray("Raspberry Pi 4 Model B Rev 1.4\0", 31));
    EXPECT_EQ(RWHostInformation::machineTypeFromFiles({dmi, tree}), QStringLiteral("Precision 5520"));
    EXPECT_EQ(RWHostInformation::machineTypeFromFiles({missing, tree}),
              QStringLiteral("Raspberry Pi 4 Model B Rev 1.4"));
    EXPECT_EQ(RWHostInformation::machineTypeFromFiles({missing}), QString());

    // 255 bytes still fit the 256-byte buffer with its terminating 0; 256 do not.
    const QString fits = folder.filePath(QStringLiteral("fits"));
    const QString tooLong = folder.filePath(QStringLiteral("long"));
    touch(fits, QByteArray(255, 'm') + '\n');
    touch(tooLong, QByteArray(256, 'm') + '\n');
    EXPECT_EQ(RWHostInformation::machineTypeFromFiles({fits}).size(), 255);
    EXPECT_EQ(RWHostInformation::machineTypeFromFiles({tooLong}), QString());
}

} // namespace
