// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/failureexplanation.h"

#include "support/format.h"
#include "support/alerts.h"
#include "support/stringextras.h"
#include "support/strings.h"
#include "support/supportlinks.h"

namespace tavrel {

namespace {
constexpr qsizetype kExcerptLength = 400;
// Long enough for a filter graph to stay whole; a path of megabytes is cut.
constexpr qsizetype kShownArgumentLength = 2 * kShownNameLength;
} // namespace

FailureKind failureKind(const QString &jobOutput)
{
    if (contains(jobOutput, QStringLiteral("No space left on device")))
        return FailureKind::FullDisk;
    if (contains(jobOutput, kUserRemovedMarker))
        return FailureKind::SourceRemoved;
    return FailureKind::ToolProblem;
}

QString failureHint(qint64 disableBuiltinSubtitles, bool hasSubtitleTracks, bool hasSubtitleFile)
{
    QString hint;
    if (disableBuiltinSubtitles == 0 && hasSubtitleTracks)
        hint = QStringLiteral("This is most likely related to the subtitles embedded into the movie. Please disable "
                              "conversion of embedded subtitles in the preferences and try again.");
    if (hasSubtitleFile)
        hint = QStringLiteral("This is most likely related to the subtitle file you have specified. Please try "
                              "again without the subtitle file.");
    return hint;
}

QString commandLineText(const QStringList &arguments)
{
    return joined(arguments, QStringLiteral(" "));
}

QString failureInformationMessage(const QString &hint, const QString &commandLine, const QString &jobOutput)
{
    return makeString(QStringLiteral("A problem prevented the file from being converted. %@ You can contact our "
                                     "support with this information so that we can fix this problem.\n\n"
                                     "Command-line: %@\nCommand-output: %@"),
                      hint, commandLine, clamp(jobOutput, kExcerptLength));
}

FailureExplanationChoice explainFailure(const FailureContext &context)
{
    switch (failureKind(context.jobOutput)) {
    case FailureKind::FullDisk:
        alert(kConversionFailedTitle, kFullDiskMessage, QStringLiteral("OK"));
        return FailureExplanationChoice::Done;
    case FailureKind::SourceRemoved:
        alert(kConversionFailedTitle, kSourceRemovedMessage, QStringLiteral("OK"));
        return FailureExplanationChoice::Done;
    case FailureKind::ToolProblem:
        break;
    }
    const QString commandLine = commandLineText(context.arguments);
    QStringList shownArguments;
    for (const QString &argument : context.arguments)
        shownArguments.append(elidedName(argument, kShownArgumentLength));
    const QString hint = !context.outputProblem.isEmpty()
        ? context.outputProblem
        : failureHint(context.disableBuiltinSubtitles, context.hasSubtitleTracks, context.hasSubtitleFile);
    const int answer = alert(QStringLiteral("Information"),
                             failureInformationMessage(hint, commandLineText(shownArguments), context.jobOutput),
                             QStringLiteral("Send to support"), QStringLiteral("Cancel"),
                             context.offerLog ? kShowLogButton : QString());
    if (answer == -1)
        return FailureExplanationChoice::ShowLog;
    if (answer == 1) {
        // The mail carries the whole output, not the excerpt.
        openConversionProblemReport(commandLine, context.jobOutput);
    }
    return FailureExplanationChoice::Done;
}

} // namespace tavrel
