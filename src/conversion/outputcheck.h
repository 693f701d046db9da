// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The check of a finished conversion's MP4 file: ffmpeg exits 0 on a source that is cut short,
// so the output is read (by mediainfo, one tool run) before the job counts as finished.
#include <QString>

#include <optional>

#include "conversion/audioplan.h"
#include "conversion/conversionrequest.h"
#include "conversion/conversionsettings.h"
#include "inspection/mediainforeport.h"
#include "inspection/mkvfileinfo.h"
#include "inspection/streamreport.h"

namespace tavrel {

// What the argument list maps into the output, and how long the source runs.
struct ExpectedOutput
{
    bool video = false;
    bool audio = false;
    int subtitles = 0;
    std::optional<qint64> runtimeSeconds;
    // The console must play the result; when false its verdict only goes to the log.
    bool mustPlay = false;
    // The source is interlaced and its fields are copied, not made whole: they must stay flagged so.
    bool fieldsKept = false;
};

ExpectedOutput expectedOutput(const ConversionRequest &request, const AudioPlan &plan,
                              const ConversionSettings &settings);

// A runtime shorter than the source's by more than both of these counts as cut short.
constexpr qint64 kAllowedShortfallSeconds = 2;
constexpr double kAllowedShortfallShare = 0.02;

// What the output lacks, as a sentence for the failure explanation; none when it is complete.
std::optional<QString> outputProblem(const ExpectedOutput &expected, const StreamReport &output);

// Why the console will not play the file or shows it wrong, as a sentence; none when it plays right.
std::optional<QString> playabilityProblem(const ExpectedOutput &expected, const StreamReport &output,
                                          const QString &mediainfoXml);
std::optional<QString> playabilityProblem(const ExpectedOutput &expected, const MediainfoReport &output);

// What the check of a finished file found: the problem that fails the job, and a verdict that
// only goes to the log.
struct OutputVerdict
{
    std::optional<QString> problem;
    std::optional<QString> note;
    std::optional<qint64> runtimeSeconds; // the file's, as read
};

// Checks the file with one tool run: mediainfo's reading, or ffmpeg's report where mediainfo
// cannot be started. Blocks; call it off the main thread.
OutputVerdict checkOutputFile(const QString &path, const ExpectedOutput &expected);

} // namespace tavrel
