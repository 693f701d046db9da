// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Requests for tests: audio tracks written the way the window lists them ("#1: eng (ac3) [5.1]"),
// and a job for a record, its first audio track and an output name.
#include <QRegularExpression>
#include <QStringList>

#include "conversion/conversionjob.h"
#include "inspection/streamreport.h"

namespace tavrel::test {

inline QList<AudioTrackFacts> audioTracksFrom(const QStringList &descriptions)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^#(\d+): (\S+) \((\w+)\)(?: \[(.+)\])?$)"));
    QList<AudioTrackFacts> tracks;
    for (const QString &description : descriptions) {
        const QRegularExpressionMatch match = pattern.match(description);
        AudioTrackFacts track;
        track.streamId = match.captured(1).toInt();
        track.language = match.captured(2);
        track.codec = match.captured(3);
        track.layout = match.captured(4);
        track.channels = track.layout.isEmpty() ? 2 : 6;
        tracks.append(track);
    }
    return tracks;
}

inline ConversionRequest requestFor(std::shared_ptr<MKVFileInfo> info, const QString &output)
{
    ConversionRequest request;
    request.source = info->fileURL.toLocalFile();
    if (!info->audioTracks.isEmpty())
        request.audioStreamId = info->audioTracks.first().streamId;
    request.output.path = output;
    request.inspection = std::move(info);
    return request;
}

inline ConversionJob *jobFor(JobHost *host, std::shared_ptr<MKVFileInfo> info, const QString &output,
                             QObject *parent = nullptr)
{
    return new ConversionJob(host, requestFor(std::move(info), output), parent);
}

} // namespace tavrel::test
