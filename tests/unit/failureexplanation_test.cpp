// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "conversion/failureexplanation.h"
#include "scriptedplatform.h"

using namespace tavrel;

namespace {
const QString kEmbeddedHint = QStringLiteral(
    "This is most likely related to the subtitles embedded into the movie. Please disable conversion of embedded "
    "subtitles in the preferences and try again.");
const QString kFileHint = QStringLiteral(
    "This is most likely related to the subtitle file you have specified. Please try again without the subtitle "
    "file.");
} // namespace

TEST(FailureExplanation, HintPrecedence)
{
    const struct
    {
        qint64 disable;
        bool tracks, file;
        QString hint;
    } rows[] = {
        {0, false, false, QString()}, {0, true, false, kEmbeddedHint},
        {1, true, false, QString()}, // embedded subtitles were not converted
        {0, true, true, kFileHint},   {1, false, true, kFileHint},
    };
    for (const auto &row : rows)
        EXPECT_EQ(failureHint(row.disable, row.tracks, row.file), row.hint) << row.disable << row.tracks << row.file;
}

TEST(FailureExplanation, InformationTextCutsTheOutputTo400)
{
    const QString output = QString(399, QLatin1Char('x')) + QStringLiteral("YZ");
    const QString message = failureInformationMessage(QString(), QStringLiteral("-i a b"), output);
    EXPECT_EQ(message,
              QStringLiteral("A problem prevented the file from being converted.  You can contact our support "
                             "with this information so that we can fix this problem.\n\nCommand-line: -i a b\n"
                             "Command-output: ")
                  + QString(399, QLatin1Char('x')) + QStringLiteral("Y"));
    EXPECT_EQ(commandLineText({QStringLiteral("-i"), QStringLiteral("my movie.mkv")}),
              QStringLiteral("-i my movie.mkv"));
}

TEST(FailureExplanation, KnownFailuresGetTheirOwnAlertOnly)
{
    test::ScriptedPlatform platform;
    FailureContext context;
    context.jobOutput = QStringLiteral("av_interleaved_write_frame(): No space left on device");
    explainFailure(context);
    context.jobOutput = kUserRemovedMarker;
    explainFailure(context);
    ASSERT_EQ(platform.alerts.shown.size(), 2);
    EXPECT_EQ(platform.alerts.shown[0].title, QStringLiteral("Conversion Failed"));
    EXPECT_EQ(platform.alerts.shown[0].message, kFullDiskMessage);
    EXPECT_EQ(platform.alerts.shown[0].defaultButton, QStringLiteral("OK"));
    EXPECT_EQ(platform.alerts.shown[1].message,
              QStringLiteral("Movie conversion failed because you've removed/renamed the source movie file or "
                             "unmounted it's volume."));
    EXPECT_TRUE(platform.workspace.opened.isEmpty());
}

TEST(FailureExplanation, SendToSupportMailsTheWholeOutput)
{
    test::ScriptedPlatform platform;
    FailureContext context;
    context.jobOutput = QStringLiteral("Error, more: ") + QString(500, QLatin1Char('e')) + QStringLiteral("END");
    context.arguments = {QStringLiteral("-i"), QStringLiteral("/m/a b.mkv")};
    context.disableBuiltinSubtitles = 0;
    context.hasSubtitleTracks = true;

    platform.alerts.answers.enqueue({0}); // Cancel
    explainFailure(context);
    EXPECT_TRUE(platform.workspace.opened.isEmpty());

    platform.alerts.answers.enqueue({1}); // Send to support
    explainFailure(context);
    ASSERT_EQ(platform.alerts.shown.size(), 2);
    const platform::AlertRequest &info = platform.alerts.shown[1];
    EXPECT_EQ(info.title, QStringLiteral("Information"));
    EXPECT_EQ(info.defaultButton, QStringLiteral("Send to support"));
    EXPECT_EQ(info.alternateButton, QStringLiteral("Cancel"));
    EXPECT_TRUE(info.message.contains(kEmbeddedHint + QStringLiteral(" You can contact")));
    EXPECT_FALSE(info.message.contains(QStringLiteral("END")));

    ASSERT_EQ(platform.workspace.opened.size(), 1);
    const QUrl mail = platform.workspace.opened[0];
    EXPECT_EQ(mail.scheme(), QStringLiteral("mailto"));
    const QString text = QUrl::fromPercentEncoding(mail.toEncoded());
    EXPECT_TRUE(text.contains(QStringLiteral("Problem Report")));
    EXPECT_TRUE(text.contains(QStringLiteral("P.S. Details: -i /m/a b.mkv Error")));
    EXPECT_TRUE(text.contains(QString(500, QLatin1Char('e')) + QStringLiteral("END")));
}

TEST(FailureExplanation, TheInformationAlertOffersTheLogWhenThereIsOne)
{
    test::ScriptedPlatform platform;
    FailureContext context;
    context.jobOutput = QStringLiteral("Error while decoding");
    EXPECT_EQ(explainFailure(context), FailureExplanationChoice::Done);
    EXPECT_TRUE(platform.alerts.shown.last().otherButton.isEmpty()) << "no log to offer";

    context.offerLog = true;
    platform.alerts.answers.enqueue({-1});
    EXPECT_EQ(explainFailure(context), FailureExplanationChoice::ShowLog);
    EXPECT_EQ(platform.alerts.shown.last().otherButton, QStringLiteral("Show Log"));
    EXPECT_EQ(platform.alerts.shown.last().defaultButton, QStringLiteral("Send to support"));
    platform.alerts.answers.enqueue({0});
    EXPECT_EQ(explainFailure(context), FailureExplanationChoice::Done);
    // The default answer sends the report, as before; Show Log sent nothing.
    EXPECT_EQ(platform.workspace.opened.size(), 1);
}
