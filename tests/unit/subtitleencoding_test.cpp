// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "inspection/subtitleencoding.h"
#include "qtprinters.h"

using namespace tavrel;

TEST(SubtitleEncoding, UnicodeAndAsciiNeedNoOption)
{
    const QByteArray utf8 = QStringLiteral("1\n00:00:00,000 --> 00:00:01,000\nCafé über Straße 日本語\n").toUtf8();
    EXPECT_EQ(subtitleEncodingFor(utf8, "ISO-8859-15"), QString());
    EXPECT_EQ(subtitleEncodingFor("\xEF\xBB\xBF" + utf8, "ISO-8859-15"), QString());
    EXPECT_EQ(subtitleEncodingFor("1\n00:00:00,000 --> 00:00:01,000\nHello\n", "ISO-8859-15"), QString());
    EXPECT_EQ(subtitleEncodingFor("\xFF\xFE"
                                  "1\0\n\0",
                                  "UTF-8"),
              QString());
    EXPECT_EQ(subtitleEncodingFor("\xFE\xFF\0"
                                  "1\0\n",
                                  "UTF-8"),
              QString());
    EXPECT_EQ(subtitleEncodingFor(QByteArray(), "UTF-8"), QString());
    // A multi-byte sequence cut off at the end of the sample is no reason to doubt UTF-8.
    EXPECT_EQ(subtitleEncodingFor(QStringLiteral("Straße").toUtf8().chopped(1), "UTF-8"), QString());
}

TEST(SubtitleEncoding, LatinTextReadsAsWindows1252)
{
    // The detector says ISO-8859-1 for such text; Windows-1252 reads all of that and the
    // quotation marks and dashes at 0x80-0x9F as well.
    QByteArray text = "1\n00:00:00,000 --> 00:00:01,000\nCaf\xE9 \xFC"
                      "ber Stra\xDF"
                      "e, sch\xF6ne Gr\xFC\xDF"
                      "e\n";
    EXPECT_EQ(subtitleEncodingFor(text, "UTF-8"), QStringLiteral("WINDOWS-1252"));
    text += "\x84gut\x93 \x96 sehr gut\n";
    EXPECT_EQ(subtitleEncodingFor(text, "UTF-8"), QStringLiteral("WINDOWS-1252"));
}

TEST(SubtitleEncoding, CentralEuropeanTextTellsIsoFromWindows)
{
    // "Zażółć gęślą jaźń" and a Czech line: in ISO-8859-2 ą is B1 and ś B6, in Windows-1250 B9 and 9C.
    const QByteArray iso = "1\n00:00:00,000 --> 00:00:01,000\nZa\xBF\xF3\xB3\xE6 g\xEA\xB6l\xB1 ja\xBC\xF1\n"
                           "P\xF8\xED"
                           "li\xB9 \xBElu\xBBou\xE8k\xFD k\xF9\xF2 \xFAp\xECl\n";
    EXPECT_EQ(subtitleEncodingFor(iso, "UTF-8"), QStringLiteral("ISO-8859-2"));
    const QByteArray windows = "1\n00:00:00,000 --> 00:00:01,000\nZa\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1\n"
                               "P\xF8\xED"
                               "li\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2 \xFAp\xECl\n";
    EXPECT_EQ(subtitleEncodingFor(windows, "UTF-8"), QStringLiteral("WINDOWS-1250"));
}

TEST(SubtitleEncoding, WhatTheDetectorCannotPlaceFallsBackToTheLocaleThenWindows1252)
{
    const QByteArray text = "No\xA0way";
    for (const QString &unplaced : {QString(), QStringLiteral("UTF-8"), QStringLiteral("ascii")}) {
        EXPECT_EQ(encodingFromDetection(unplaced, text, "ISO-8859-15"), QStringLiteral("ISO-8859-15"));
        EXPECT_EQ(encodingFromDetection(unplaced, text, "UTF-8"), QStringLiteral("WINDOWS-1252"));
        EXPECT_EQ(encodingFromDetection(unplaced, text, "ANSI_X3.4-1968"), QStringLiteral("WINDOWS-1252"));
        EXPECT_EQ(encodingFromDetection(unplaced, text, ""), QStringLiteral("WINDOWS-1252"));
    }
    EXPECT_EQ(encodingFromDetection(QStringLiteral("SHIFT_JIS"), text, "ISO-8859-15"), QStringLiteral("SHIFT_JIS"));
}

TEST(SubtitleEncoding, Utf16BecomesUtf8WithoutItsMark)
{
    const QString text = QStringLiteral("1\n00:00:00,000 --> 00:00:01,000\n日本語の字幕\n");
    QByteArray little("\xFF\xFE");
    QByteArray big("\xFE\xFF");
    for (const QChar c : text) {
        little.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        big.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    EXPECT_EQ(utf8FromUtf16(little), text.toUtf8());
    EXPECT_EQ(utf8FromUtf16(big), text.toUtf8());
    EXPECT_EQ(utf8FromUtf16(text.toUtf8()), std::nullopt);
    EXPECT_EQ(utf8FromUtf16("\xEF\xBB\xBF" + text.toUtf8()), std::nullopt);
}
