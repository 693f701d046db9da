// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/outputcheck.h"

#include <QStringList>

#include "conversion/videoencoding.h"
#include "inspection/playability.h"
#include "inspection/runastask.h"

namespace tavrel {

ExpectedOutput expectedOutput(const ConversionRequest &request, const AudioPlan &plan,
                              const ConversionSettings &settings)
{
    const MKVFileInfo &info = *request.inspection;
    ExpectedOutput expected;
    expected.video = info.videoTrackID.has_value();
    expected.audio = plan.hasAudio;
    if (settings.disableBuiltinSubtitles == 0)
        expected.subtitles = int(info.subtitleTrackIDs.size());
    if (!request.subtitleFile.isEmpty())
        ++expected.subtitles;
    expected.runtimeSeconds = info.runtimeSeconds;
    expected.mustPlay = settings.reencodeVideo != 0;
    expected.fieldsKept = isInterlaced(info.videoFacts) && !reencodesVideo(info, settings);
    return expected;
}

namespace {

QString clockText(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

std::optional<QString> outputProblem(const ExpectedOutput &expected, const StreamReport &output)
{
    QStringList missing;
    if (expected.video && !output.videoTrackID)
        missing.append(QStringLiteral("the video track"));
    if (expected.audio && output.audioTracks.isEmpty())
        missing.append(QStringLiteral("the audio track"));
    if (output.subtitleCount < expected.subtitles)
        missing.append(QStringLiteral("%1 of its %2 subtitle tracks")
                           .arg(expected.subtitles - output.subtitleCount)
                           .arg(expected.subtitles));

    QStringList problems;
    if (!missing.isEmpty())
        problems.append(QStringLiteral("The converted file lacks %1.").arg(missing.join(QStringLiteral(" and "))));

    if (expected.runtimeSeconds && *expected.runtimeSeconds > 0) {
        const qint64 source = *expected.runtimeSeconds;
        const qint64 converted = output.runtimeSeconds.value_or(0);
        const qint64 shortfall = source - converted;
        if (shortfall > kAllowedShortfallSeconds && double(shortfall) > kAllowedShortfallShare * double(source))
            problems.append(QStringLiteral("The converted file runs %1, the movie %2: the movie file is probably cut "
                                           "short or damaged.")
                                .arg(output.runtimeSeconds ? clockText(converted) : QStringLiteral("no time at all"),
                                     clockText(source)));
    }
    if (problems.isEmpty())
        return std::nullopt;
    return problems.join(u' ');
}

namespace {

std::optional<QString> unplayableSentence(const QStringList &problems)
{
    if (problems.isEmpty())
        return std::nullopt;
    return QStringLiteral("The console will not play the converted file (%1).")
        .arg(problems.join(QStringLiteral("; ")));
}

} // namespace

std::optional<QString> playabilityProblem(const ExpectedOutput &expected, const StreamReport &output,
                                          const QString &mediainfoXml)
{
    return unplayableSentence(outputProblems(output, mediainfoXml, expected.fieldsKept));
}

std::optional<QString> playabilityProblem(const ExpectedOutput &expected, const MediainfoReport &output)
{
    return unplayableSentence(outputProblems(output.video, output.streams.audioTracks,
                                             !output.streams.pictureSubtitles.isEmpty(), expected.fieldsKept));
}

OutputVerdict checkOutputFile(const QString &path, const ExpectedOutput &expected)
{
    // mediainfo's reading holds everything the check asks and starts far quicker than ffmpeg.
    OutputVerdict verdict;
    std::optional<QString> unplayable;
    if (const TaskResult headers = runTask(mediainfoArguments(path)); headers.started) {
        const MediainfoReport report = parseMediainfoReport(headers.output.value_or(QString()));
        verdict.problem = outputProblem(expected, report.streams);
        verdict.runtimeSeconds = report.streams.runtimeSeconds;
        unplayable = playabilityProblem(expected, report);
    } else {
        const TaskResult probe = runTask({toolPath(QStringLiteral("ffmpeg")), QStringLiteral("-i"), path});
        if (!probe.started)
            return {QStringLiteral("The converted file could not be checked. ") + probe.startError, std::nullopt,
                    std::nullopt};
        const StreamReport report = parseStreamReport(probe.output.value_or(QString()), path);
        verdict.problem = outputProblem(expected, report);
        verdict.runtimeSeconds = report.runtimeSeconds;
        unplayable = playabilityProblem(expected, report, QString());
    }
    if (!verdict.problem && unplayable && expected.mustPlay)
        verdict.problem = unplayable;
    else
        verdict.note = unplayable;
    return verdict;
}

} // namespace tavrel
