// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>

#include "batch/batchoptions.h"
#include "batch/batchrun.h"
#include "support/log.h"
#include "support/stringextras.h"
#include "qtprinters.h"

using namespace tavrel;

TEST(BatchOptions, OnlyABatchFlagBeforeTheEndOfOptionsCounts)
{
    EXPECT_TRUE(isBatchCommandLine({"--output", "x", "--batch", "a.mkv"}));
    EXPECT_FALSE(isBatchCommandLine({"a.mkv"}));
    EXPECT_FALSE(isBatchCommandLine({"--", "--batch"}));
}

TEST(BatchOptions, ReadsEveryOptionAndResolvesPaths)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("out"));
    const BatchOptions options =
        parseBatchOptions({"--batch", "--output", "out", "--audio-language", "de", "--ac3-downmix", "--dts-downmix",
                           "--subtitles", "a movie.mkv", "-", "--", "--odd.mkv", "/abs/b.mkv"},
                          dir.path());
    EXPECT_EQ(options.error, QString());
    EXPECT_EQ(options.outputFolder, dir.filePath("out"));
    EXPECT_EQ(options.audioLanguage, "ger");
    EXPECT_TRUE(options.ac3Downmix);
    EXPECT_TRUE(options.dtsDownmix);
    EXPECT_TRUE(options.subtitles);
    EXPECT_EQ(options.files,
              (QStringList{dir.filePath("a movie.mkv"), dir.filePath("-"), dir.filePath("--odd.mkv"), "/abs/b.mkv"}));

    const BatchOptions plain = parseBatchOptions({"--batch", "--output", dir.path(), "m.mkv"}, "/");
    EXPECT_EQ(plain.error, QString());
    EXPECT_FALSE(plain.ac3Downmix || plain.dtsDownmix || plain.subtitles);
    EXPECT_EQ(plain.audioLanguage, QString());
}

TEST(BatchOptions, RefusesWhatCannotRun)
{
    QTemporaryDir dir;
    const auto error = [&](const QStringList &arguments) { return parseBatchOptions(arguments, dir.path()).error; };
    EXPECT_EQ(error({"--batch", "m.mkv"}), "--output DIR is required");
    EXPECT_EQ(error({"--batch", "m.mkv", "--output"}), "--output needs a value");
    EXPECT_TRUE(error({"--batch", "--output", "missing", "m.mkv"}).contains("does not exist"));
    EXPECT_EQ(error({"--batch", "--output", "."}), "no movie files given");
    EXPECT_TRUE(error({"--batch", "--output", ".", "--audio-language", "xx1", "m.mkv"}).contains("no language code"));
    EXPECT_TRUE(error({"--batch", "--output", ".", "-x", "m.mkv"}).startsWith("unknown option -x"));
    // Nothing to convert is a mistake on the line, not a failed movie.
    EXPECT_EQ(error({"--batch", "--output", ".", "m.srt", "m.en.SUB"}),
              "no movie given, only subtitle files (a movie ends in .mkv, .mp4, .mov, .ogm)");
    EXPECT_TRUE(
        error({"--batch", "--output", ".", "m.srt", "notes.txt"}).startsWith("no movie given, only files that"));
    EXPECT_EQ(error({"--batch", "--output", ".", "m.srt", "M.MKV"}), QString());
}

TEST(BatchOptions, HelpAndVersionNeedNoOtherOption)
{
    EXPECT_TRUE(parseBatchOptions({"--batch", "--help"}, "/").help);
    const BatchOptions version = parseBatchOptions({"--batch", "--version"}, "/");
    EXPECT_TRUE(version.version);
    EXPECT_EQ(version.error, QString());
}

TEST(BatchOptions, UnknownOptionIsNamedAsTyped)
{
    const struct
    {
        QStringList arguments;
        const char *typed;
    } rows[] = {{{"-abc"}, "-abc"}, {{"--fast=1"}, "--fast=1"}, {{"--output", "-dir", "-d"}, "-d"}};
    for (const auto &row : rows)
        EXPECT_TRUE(parseBatchOptions(QStringList{"--batch"} + row.arguments + QStringList{"m.mkv"}, "/")
                        .error.startsWith(QStringLiteral("unknown option %1 (").arg(row.typed)))
            << row.typed;
}

TEST(BatchOptions, LanguagesAsCodesOrNames)
{
    EXPECT_EQ(batchLanguageCode("de"), "ger");
    EXPECT_EQ(batchLanguageCode("EN"), "eng");
    EXPECT_EQ(batchLanguageCode("jpn"), "jpn");
    EXPECT_EQ(batchLanguageCode("German"), "ger");
    EXPECT_EQ(batchLanguageCode("Deutsch"), "ger");
    EXPECT_EQ(batchLanguageCode("e1"), QString());
    EXPECT_EQ(batchLanguageCode(""), QString());
}

TEST(BatchProgress, LineShowsPerCentAndTimeLeftOnceKnown)
{
    EXPECT_EQ(batchProgressLine("Holiday.mkv", 0.0f, 0.0), "Holiday.mkv: 0%");
    EXPECT_EQ(batchProgressLine("Holiday.mkv", 25.0f, 60.0), "Holiday.mkv: 25% (ETA: 3m 0s)");
    EXPECT_EQ(batchProgressLine("Holiday.mkv", 100.0f, 60.0), "Holiday.mkv: 100% (ETA: 0s)");
}

// Every printed line and the system log escape names alike.
TEST(BatchLines, ControlAndDirectionCharactersAreEscaped)
{
    const struct
    {
        QString text;
        QString shown;
    } rows[] = {
        {"Holiday.mkv", "Holiday.mkv"},
        {"two\nlines.mkv", "two\\nlines.mkv"},
        {"a\rb\tc", "a\\rb\\tc"},
        {"\x1b[2Jclear", "\\x1b[2Jclear"},
        {"\x1b]0;retitled\x07.mkv", "\\x1b]0;retitled\\x07.mkv"},
        {QString(QChar(0x7f)) + QChar(0x85), "\\x7f\\x85"},
        {QStringLiteral("x\u2028y\u2029"), "x\\u2028y\\u2029"},
        // Shown as "evilexe.png.mkv" if the override were obeyed.
        {QStringLiteral("evil\u202Egnp.exe.mkv"), "evil\\u202egnp.exe.mkv"},
        {QStringLiteral("\u202A\u202B\u202C\u202D"), "\\u202a\\u202b\\u202c\\u202d"},
        {QStringLiteral("\u2066a\u2067b\u2068c\u2069"), "\\u2066a\\u2067b\\u2068c\\u2069"},
        {QStringLiteral("\u200E\u200F\u061C"), "\\u200e\\u200f\\u061c"},
        // Letters of any script and a backslash stay as they are.
        {QStringLiteral("Übergrößé\\.mkv"), QStringLiteral("Übergrößé\\.mkv")},
        {QStringLiteral("فيلم \u05e1\u05e8\u05d8.mkv"), QStringLiteral("فيلم \u05e1\u05e8\u05d8.mkv")},
    };
    QByteArray logged;
    setLogSinkForTesting([&](int, const QByteArray &text) { logged = text; });
    const auto restore = qScopeGuard([] { setLogSinkForTesting({}); });
    for (const auto &row : rows) {
        EXPECT_EQ(escapedLineText(row.text), row.shown) << row.text.toStdString();
        aslLogText(3, row.text);
        EXPECT_EQ(logged, row.shown.toUtf8()) << row.text.toStdString();
    }
}
