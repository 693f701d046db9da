// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/strings.h"

using namespace tavrel;
using namespace Qt::StringLiterals;

namespace {

struct LinesCase
{
    const char *name;
    QString text;
    QStringList expected;
};

TEST(Strings, LinesSplitsAtEveryNewlineCharacterOnce)
{
    const LinesCase cases[] = {
        {"crlf gives an empty line between", u"a\r\nb"_s, {u"a"_s, u""_s, u"b"_s}},
        {"trailing lf gives a trailing empty line", u"a\n"_s, {u"a"_s, u""_s}},
        {"no break", u"abc"_s, {u"abc"_s}},
        {"empty text", QString(), {QString()}},
        {"vt ff cr", u"a\vb\fc\rd"_s, {u"a"_s, u"b"_s, u"c"_s, u"d"_s}},
        {"next line, line and paragraph separators", u"a\u0085b\u2028c\u2029d"_s, {u"a"_s, u"b"_s, u"c"_s, u"d"_s}},
        {"leading break", u"\nx"_s, {u""_s, u"x"_s}},
        {"tab is no line break", u"a\tb"_s, {u"a\tb"_s}},
    };
    for (const LinesCase &c : cases)
        EXPECT_EQ(lines(c.text), c.expected) << c.name;
}

struct TrimCase
{
    const char *name;
    QString text;
    QString expected;
};

TEST(Strings, TrimmedRemovesBlanksButNeverLineBreaks)
{
    const TrimCase cases[] = {
        {"trailing lf stops the trim at the end", u"  x \n"_s, u"x \n"_s},
        {"spaces and tabs", u" \t x y \t "_s, u"x y"_s},
        {"no-break space", u"\u00a0x\u00a0"_s, u"x"_s},
        {"ideographic space", u"\u3000x\u3000"_s, u"x"_s},
        {"leading lf stays", u"\n x"_s, u"\n x"_s},
        {"cr stays", u"x\r"_s, u"x\r"_s},
        {"only blanks", u" \t "_s, u""_s},
        {"inner blanks stay", u"a  b"_s, u"a  b"_s},
    };
    for (const TrimCase &c : cases)
        EXPECT_EQ(trimmed(c.text), c.expected) << c.name;
}

struct SplitCase
{
    const char *name;
    QString text;
    QString separator;
    QStringList expected;
};

TEST(Strings, SplitKeepsEmptyPieces)
{
    const SplitCase cases[] = {
        {"no separator", u"abc"_s, u":"_s, {u"abc"_s}},
        {"adjacent separators", u"a::b"_s, u":"_s, {u"a"_s, u""_s, u"b"_s}},
        {"separator at both ends", u":a:"_s, u":"_s, {u""_s, u"a"_s, u""_s}},
        {"longer separator", u"a, b, c"_s, u", "_s, {u"a"_s, u"b"_s, u"c"_s}},
        {"empty text", u""_s, u":"_s, {u""_s}},
        {"empty separator gives the whole text", u"abc"_s, QString(), {u"abc"_s}},
        {"case-sensitive", u"aXbxc"_s, u"x"_s, {u"aXb"_s, u"c"_s}},
        {"description taken apart at single blanks",
         u"#1: eng (ac3) [5.1]"_s,
         u" "_s,
         {u"#1:"_s, u"eng"_s, u"(ac3)"_s, u"[5.1]"_s}},
    };
    for (const SplitCase &c : cases)
        EXPECT_EQ(split(c.text, c.separator), c.expected) << c.name;
}

TEST(Strings, ReplacedWorksFromTheStartWithoutOverlap)
{
    EXPECT_EQ(replaced(u"aaa"_s, u"aa"_s, u"b"_s), u"ba"_s);
    EXPECT_EQ(replaced(u"a)b)"_s, u")"_s, u"+1)"_s), u"a+1)b+1)"_s);
    EXPECT_EQ(replaced(u"abc"_s, u"x"_s, u"y"_s), u"abc"_s);
    EXPECT_EQ(replaced(u"abc"_s, QString(), u"y"_s), u"abc"_s);
    EXPECT_EQ(replaced(u"abab"_s, u"ab"_s, QString()), u""_s);
    EXPECT_EQ(replaced(u"https://x/https"_s, u"https"_s, u"macappstore"_s), u"macappstore://x/macappstore"_s);
}

TEST(Strings, ClampCountsUtf16Units)
{
    const QString exactly400(400, u'x');
    EXPECT_EQ(clamp(exactly400, 400), exactly400);
    EXPECT_EQ(clamp(exactly400 + u'y', 400), exactly400);

    // A character outside the BMP is two units: 399 + 2 units is cut inside the pair.
    const QString withPair = QString(399, u'x') + u"\U0001F600"_s;
    ASSERT_EQ(withPair.size(), 401);
    const QString cut = clamp(withPair, 400);
    EXPECT_EQ(cut.size(), 400);
    EXPECT_TRUE(cut.at(399).isHighSurrogate());
    EXPECT_EQ(clamp(withPair, 401), withPair);

    EXPECT_EQ(clamp(u"abc"_s, 0), u""_s);
    EXPECT_EQ(clamp(u"abc"_s, -1), u""_s);
}

TEST(Strings, ContainsIsLiteralAndCaseSensitive)
{
    EXPECT_TRUE(contains(u"Video: h264 (High 10)"_s, u"High 10"_s));
    EXPECT_FALSE(contains(u"Video: h264 (high 10)"_s, u"High 10"_s));
    EXPECT_TRUE(contains(u"a.b"_s, u"."_s));
    EXPECT_FALSE(contains(u"ab"_s, u"a.b"_s));   // no pattern syntax
    EXPECT_FALSE(contains(u"abc"_s, QString())); // an empty needle is never found
    EXPECT_FALSE(contains(QString(), u"a"_s));
}

struct IntegerCase
{
    QString text;
    qint64 expected;
};

TEST(Strings, IntegerValueReadsTheLeadingNumber)
{
    const IntegerCase cases[] = {
        {u"42"_s, 42},
        {u"  \t-17abc"_s, -17},
        {u"+8"_s, 8},
        {u"1920x1080"_s, 1920},
        {u"\n 5"_s, 5},
        {u"abc"_s, 0},
        {u""_s, 0},
        {u"-"_s, 0},
        {u"- 5"_s, 0},
        {u"3.9"_s, 3},
        {u"9223372036854775807"_s, std::numeric_limits<qint64>::max()},
        {u"99999999999999999999999"_s, std::numeric_limits<qint64>::max()},
        {u"-9223372036854775808"_s, std::numeric_limits<qint64>::min()},
        {u"-99999999999999999999999"_s, std::numeric_limits<qint64>::min()},
        {u"\u0663"_s, 0}, // digits of other scripts are not read
    };
    for (const IntegerCase &c : cases)
        EXPECT_EQ(integerValue(c.text), c.expected) << c.text.toStdString();
}

struct DoubleCase
{
    QString text;
    double expected;
};

TEST(Strings, DoubleValueReadsTheLeadingNumberInTheCLocale)
{
    const DoubleCase cases[] = {
        {u"1.5"_s, 1.5}, {u" -0.25s"_s, -0.25}, {u"1e3kb"_s, 1000.0}, {u"2e"_s, 2.0}, {u"00:01:02.50"_s, 0.0},
        {u".5"_s, 0.5},  {u"3,5"_s, 3.0},       {u"abc"_s, 0.0},      {u""_s, 0.0},   {u"5 kb/s"_s, 5.0},
    };
    for (const DoubleCase &c : cases)
        EXPECT_DOUBLE_EQ(doubleValue(c.text), c.expected) << c.text.toStdString();
    EXPECT_TRUE(std::isinf(doubleValue(u"1e400"_s)));
}

} // namespace
