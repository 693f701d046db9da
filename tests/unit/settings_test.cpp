// SPDX-License-Identifier: GPL-3.0-or-later
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/settings.h"
#include "testenvironment.h"

using namespace tavrel::settings;

namespace {

int reloadCounter = 0;

// Flushes the store and continues on a copy of its file, so that every value is read back from
// the text on disk the way a later launch reads it (Qt caches typed values per open file).
void reloadStore()
{
    synchronize();
    const QString copy = tavrel::test::testHome() + QStringLiteral("/reloaded-%1.conf").arg(++reloadCounter);
    ASSERT_TRUE(QFile::copy(storeFile(), copy));
    useStoreFile(copy);
}

void useHandWrittenStore(const QByteArray &text)
{
    const QString path = tavrel::test::testHome() + QStringLiteral("/hand-%1.conf").arg(++reloadCounter);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    useStoreFile(path);
}

class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tavrel::test::resetSettingsStore();
        registerAppDefaults();
    }
};

TEST_F(SettingsTest, FreshStoreAnswersRegisteredDefaultsAndZero)
{
    const QList<std::pair<QString, qint64>> expected = {
        {kAC3DownmixKey, 0},        {kDTSDownmixKey, 0},         {kAutoAddKey, 0},
        {kAutoCleanKey, 0},         {kDefaultAudioKey, 0},       {kDisableBuiltinSubtitlesKey, 1},
        {kAC3StereoBitrateKey, 1},  {kAC3SurroundBitrateKey, 1}, {kDefaultDestinationKey, 0},
        {kAutoRemoveKey, 0},        {kAutoRemoveTypeKey, 0},     {kQuitAfterConversionKey, 0},
        {kReencodeVideoKey, 1},     {kVideoQualityKey, 20},      {kBurnInSubtitlesKey, 1},
        {kSplitLargeOutputsKey, 1},
    };
    for (const auto &[key, value] : expected)
        EXPECT_EQ(defaultInt(key), value) << key.toStdString();
    for (const QString &key : {kDestinationBookmarksKey, kDestinationNamesKey}) {
        const auto array = defaultArray(key);
        ASSERT_TRUE(array.has_value()) << key.toStdString();
        EXPECT_TRUE(array->isEmpty());
    }
    EXPECT_EQ(registeredDefaults().size(), 16);
    EXPECT_EQ(conversionSettings().videoSpeed, QStringLiteral("fast"));
    EXPECT_EQ(registeredDefaults().value(kMarkLevel41Key), 1);
}

TEST_F(SettingsTest, WrongKindsAndMissingKeys)
{
    setDefaultInt(QStringLiteral("number"), 5);
    setDefaultObject(QStringLiteral("list"), QVariantList{QStringLiteral("a"), QStringLiteral("b")});
    setDefaultObject(QStringLiteral("text"), QStringLiteral("abc"));
    EXPECT_FALSE(defaultArray(QStringLiteral("number")).has_value());
    EXPECT_EQ(defaultInt(QStringLiteral("list")), 0);
    EXPECT_EQ(defaultInt(QStringLiteral("text")), 0);
    EXPECT_EQ(defaultInt(QStringLiteral("missing")), 0);
    EXPECT_FALSE(defaultObject(QStringLiteral("missing")).isValid());
    EXPECT_FALSE(defaultArray(QStringLiteral("missing")).has_value());
}

TEST_F(SettingsTest, SetValueReplacesRegisteredDefaultAcrossLaunches)
{
    setDefaultInt(kAutoAddKey, 1);
    setDefaultInt(kDisableBuiltinSubtitlesKey, 0);
    reloadStore();
    EXPECT_EQ(defaultInt(kAutoAddKey), 1);
    EXPECT_EQ(defaultInt(kDisableBuiltinSubtitlesKey), 0);
    // Storing nothing removes the entry and the registered default answers again.
    setDefaultObject(kDisableBuiltinSubtitlesKey, QVariant());
    EXPECT_EQ(defaultInt(kDisableBuiltinSubtitlesKey), 1);
}

TEST_F(SettingsTest, LaterRegistrationReplacesEarlierDefault)
{
    registerDefaults({{QStringLiteral("custom"), 3}});
    registerDefaults({{QStringLiteral("custom"), 4}});
    EXPECT_EQ(defaultInt(QStringLiteral("custom")), 4);
}

TEST_F(SettingsTest, HandWrittenValuesReadAsIntegers)
{
    useHandWrittenStore("[General]\nAutoAdd=1\nAutoClean = 1\nDefaultAudio=-3\nAutoRemove=yes\n"
                        "DestinationNames=Movies, Films\n");
    EXPECT_EQ(defaultInt(kAutoAddKey), 1);
    EXPECT_EQ(defaultInt(kAutoCleanKey), 1);
    EXPECT_EQ(defaultInt(kDefaultAudioKey), -3);
    EXPECT_EQ(defaultInt(kAutoRemoveKey), 0);
    EXPECT_EQ(defaultArray(kDestinationNamesKey), (QVariantList{QStringLiteral("Movies"), QStringLiteral("Films")}));
}

struct RoundTrip
{
    const char *name;
    QVariant written;
    QVariant expected; // what defaultObject answers before and after a reload
};

TEST_F(SettingsTest, ValuesKeepTheirKindAcrossReload)
{
    const QByteArray binary("{\"path\": \"/a b\"}\n\0\xff", 19);
    const QVariantList twoStrings{QStringLiteral("2024"), QStringLiteral("@at, comma")};
    const QVariantList twoBytes{binary, QByteArray("x")};
    const QList<RoundTrip> cases = {
        {"zero", 0, qint64(0)},
        {"one", 1, qint64(1)},
        {"negative", -7, qint64(-7)},
        {"large", qint64(1) << 40, qint64(1) << 40},
        {"text", QStringLiteral("Movies"), QStringLiteral("Movies")},
        {"emptyList", QVariantList(), QVariantList()},
        {"emptyStringList", QStringList(), QVariantList()},
        {"oneString", QStringList{QStringLiteral("Movies")}, QVariantList{QStringLiteral("Movies")}},
        {"oneDigitString", QVariantList{QStringLiteral("2024")}, QVariantList{QStringLiteral("2024")}},
        {"twoStrings", twoStrings, twoStrings},
        {"twoStringList", QStringList{QStringLiteral("2024"), QStringLiteral("@at, comma")}, twoStrings},
        {"oneBytes", QVariantList{binary}, QVariantList{binary}},
        {"twoBytes", twoBytes, twoBytes},
        {"twoIntegers", QVariantList{1, 2}, QVariantList{1, 2}},
    };
    for (const RoundTrip &c : cases) {
        setDefaultObject(QString::fromLatin1(c.name), c.written);
        EXPECT_EQ(defaultObject(QString::fromLatin1(c.name)), c.expected) << c.name << " before reload";
    }
    reloadStore();
    for (const RoundTrip &c : cases) {
        const QVariant read = defaultObject(QString::fromLatin1(c.name));
        EXPECT_EQ(read, c.expected) << c.name << " after reload";
        EXPECT_EQ(read.metaType(), c.expected.metaType()) << c.name;
        if (c.expected.metaType().id() == QMetaType::QVariantList) {
            const QVariantList list = read.toList();
            const QVariantList want = c.expected.toList();
            for (qsizetype i = 0; i < qMin(list.size(), want.size()); ++i)
                EXPECT_EQ(list.at(i).metaType(), want.at(i).metaType()) << c.name << " element " << i;
        }
    }
    EXPECT_EQ(defaultArray(QStringLiteral("emptyList")), QVariantList());
    EXPECT_EQ(defaultArray(QStringLiteral("oneBytes")), QVariantList{binary});
}

// A batch's copy: the file's values as they read from it; changes stay in memory.
TEST_F(SettingsTest, CopyInMemoryReadsTheFileAndNeverWritesIt)
{
    const QByteArray text("[General]\nAutoAdd=1\nDestinationNames=Movies, Films\n");
    useHandWrittenStore(text);
    const QString file = storeFile();
    useCopyInMemory();
    EXPECT_EQ(defaultInt(kAutoAddKey), 1);
    EXPECT_EQ(defaultArray(kDestinationNamesKey), (QVariantList{QStringLiteral("Movies"), QStringLiteral("Films")}));
    setDefaultInt(kAutoAddKey, 0);
    setDefaultObject(kDestinationNamesKey, QVariant()); // removed: the registered default answers
    setDefaultObject(QStringLiteral("list"), QVariantList{1, 2});
    synchronize();
    EXPECT_EQ(defaultInt(kAutoAddKey), 0);
    EXPECT_EQ(defaultArray(kDestinationNamesKey), QVariantList());
    EXPECT_EQ(defaultObject(QStringLiteral("list")), (QVariantList{1, 2}));
    QFile onDisk(file);
    ASSERT_TRUE(onDisk.open(QIODevice::ReadOnly));
    EXPECT_EQ(onDisk.readAll(), text);
    useStoreFile(file); // choosing a file ends the copy
    EXPECT_EQ(defaultInt(kAutoAddKey), 1);
}

TEST_F(SettingsTest, UserStoreIsTheOssoryTavrelConfigFile)
{
    const QString previous = storeFile();
    useStoreFile(QString());
    EXPECT_EQ(storeFile(), tavrel::test::testHome() + QStringLiteral("/.config/Ossory/Tavrel.conf"));
    useStoreFile(previous);
}

} // namespace
