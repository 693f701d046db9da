// SPDX-License-Identifier: GPL-3.0-or-later
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include "testrequests.h"
#include "qtprinters.h"

#include "inspection/languages.h"

using namespace tavrel;

namespace {

const QStringList kMixedTracks = {"#1: eng (ac3) [5.1]", "#2: ger (ac3) [5.1]", "#3: ger (aac)"};

TEST(BestLanguage, RanksLanguageThenCodec)
{
    const struct
    {
        const char *name;
        QStringList tracks;
        QStringList languages;
        std::optional<QString> expected;
    } cases[] = {
        {"aac wins within the best language", kMixedTracks, {"ger", "eng"}, "#3: ger (aac)"},
        {"single setting language", kMixedTracks, {"eng"}, "#1: eng (ac3) [5.1]"},
        {"nothing listed: ac3 among all", {"#1: jpn (dts) [5.1]", "#2: jpn (ac3)"}, {"ger"}, "#2: jpn (ac3)"},
        {"nothing listed, no aac or ac3: first",
         {"#1: jpn (dts) [5.1]", "#2: jpn (mp3)"},
         {"ger"},
         "#1: jpn (dts) [5.1]"},
        {"aac in a worse language loses", {"#1: fre (dts)", "#2: eng (aac)"}, {"fre", "eng"}, "#1: fre (dts)"},
        {"listed beats unlisted seen earlier", {"#1: jpn (aac)", "#2: eng (dts)"}, {"eng"}, "#2: eng (dts)"},
        {"ac3 before a later aac of worse rank",
         {"#1: eng (mp2)", "#2: eng (ac3)", "#3: ger (aac)"},
         {"eng", "ger"},
         "#2: eng (ac3)"},
        {"empty language list", {"#1: eng (dts)", "#2: ger (aac)"}, {}, "#2: ger (aac)"},
        {"comparison is case-sensitive", {"#1: ENG (dts)", "#2: eng (mp2)"}, {"eng"}, "#2: eng (mp2)"},
        {"no audio", {}, {"eng"}, std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QList<AudioTrackFacts> tracks = test::audioTracksFrom(c.tracks);
        const AudioTrackFacts *best = audioTrackWithId(tracks, bestAudioTrack(tracks, c.languages));
        EXPECT_EQ(best ? std::optional<QString>(audioTrackDescription(*best)) : std::nullopt, c.expected);
    }
}

TEST(LanguageList, DefaultAudioChoices)
{
    const QStringList preferred = {"ger", "en-GB"};
    const struct
    {
        qint64 value;
        QStringList expected;
    } cases[] = {
        {0, preferred}, {1, preferred}, {-1, preferred}, {9, preferred}, {1000, preferred}, {2, {"eng"}},
        {3, {"ger"}},   {4, {"fre"}},   {5, {"spa"}},    {6, {"chi"}},   {7, {"jpn"}},      {8, {"rus"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(languageListFor(c.value, preferred), c.expected);
    }
}

TEST(LanguageTable, TranslatesOnlyWholeKeys)
{
    EXPECT_EQ(preferredLanguages3Letter(QStringList{"de", "en-GB", "en"}), (QStringList{"ger", "en-GB", "eng"}));
    EXPECT_EQ(preferredLanguages3Letter(QStringList{"zh-Hans", "ja", "ja", "xx", "DE"}),
              (QStringList{"zh-Hans", "jpn", "jpn", "xx", "DE"}));
    EXPECT_TRUE(preferredLanguages3Letter(QStringList{}).isEmpty());
}

TEST(LanguageTable, BibliographicAndSpecialCodes)
{
    const QHash<QString, QString> &table = languageTable();
    EXPECT_EQ(table.size(), 184);
    const QHash<QString, QString> expected = {
        {"bo", "tib"}, {"cs", "cze"}, {"cy", "wel"}, {"de", "ger"}, {"el", "gre"}, {"eu", "baq"},
        {"fa", "per"}, {"fr", "fre"}, {"hy", "arm"}, {"is", "ice"}, {"ka", "geo"}, {"mi", "mao"},
        {"mk", "mac"}, {"ms", "may"}, {"my", "bur"}, {"nl", "dut"}, {"ro", "rum"}, {"sk", "slo"},
        {"sq", "alb"}, {"zh", "chi"}, {"en", "eng"}, {"ja", "jpn"}, {"es", "spa"}, {"hr", "hrv"},
        {"sr", "srp"}, {"bh", "bih"}, {"he", "heb"}, {"id", "ind"}, {"yi", "yid"},
    };
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        EXPECT_EQ(table.value(it.key()), it.value()) << it.key().toStdString();
    for (const char *withdrawn : {"iw", "in", "ji", "jw", "mo", "sh"})
        EXPECT_FALSE(table.contains(QString::fromLatin1(withdrawn))) << withdrawn;
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        EXPECT_EQ(it.key().size(), 2) << it.key().toStdString();
        EXPECT_EQ(it.value().size(), 3) << it.key().toStdString();
    }
}

// Debian's iso-codes data: every ISO 639-2 entry with a two-letter code, bibliographic code
// preferred. Both sources must agree wherever both know a code.
TEST(LanguageTable, AgreesWithIsoCodesData)
{
    QFile file(QStringLiteral("/usr/share/iso-codes/json/iso_639-2.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "iso-codes data is missing (Debian package iso-codes)";
    const QJsonArray entries =
        QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("639-2")).toArray();
    ASSERT_FALSE(entries.isEmpty());
    const QHash<QString, QString> &table = languageTable();
    int compared = 0;
    for (const QJsonValue &value : entries) {
        const QJsonObject entry = value.toObject();
        const QString twoLetter = entry.value(QStringLiteral("alpha_2")).toString();
        if (twoLetter.isEmpty() || !table.contains(twoLetter))
            continue;
        const QString bibliographic = entry.value(QStringLiteral("bibliographic")).toString();
        const QString expected =
            bibliographic.isEmpty() ? entry.value(QStringLiteral("alpha_3")).toString() : bibliographic;
        EXPECT_EQ(table.value(twoLetter), expected) << twoLetter.toStdString();
        ++compared;
    }
    EXPECT_GE(compared, 180);
}

} // namespace

TEST(LanguageNames, EnglishAndOwnNamesGiveTheTablesCode)
{
    EXPECT_EQ(languageCodeForName(QStringLiteral("English")), QStringLiteral("eng"));
    EXPECT_EQ(languageCodeForName(QStringLiteral("german")), QStringLiteral("ger"));
    EXPECT_EQ(languageCodeForName(QStringLiteral("Deutsch")), QStringLiteral("ger"));
    EXPECT_EQ(languageCodeForName(QStringLiteral("Français")), QStringLiteral("fre"));
    EXPECT_EQ(languageCodeForName(QStringLiteral("日本語")), QStringLiteral("jpn"));
    // Codes and other text are no names.
    EXPECT_EQ(languageCodeForName(QStringLiteral("eng")), std::nullopt);
    EXPECT_EQ(languageCodeForName(QStringLiteral("German Dub")), std::nullopt);
    EXPECT_EQ(languageCodeForName(QString()), std::nullopt);
}
