// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What one conversion should do: the movie, what its inspection found, the choices made for it
// and where its output goes. The intake and the batch build it, the journal keeps it, the job
// and its argument list read it.
#include <QString>

#include <memory>
#include <optional>

#include "conversion/conversionsettings.h"
#include "conversion/outputparts.h"

namespace tavrel {

class MKVFileInfo;

// Choices that override the settings for this conversion; unset means the setting as it
// stands when the job starts.
struct ConversionOptions
{
    std::optional<bool> ac3Downmix;
    std::optional<bool> dtsDownmix;
    std::optional<bool> convertSubtitles; // the movie's own text subtitles
    std::optional<bool> reencodeVideo;
    std::optional<int> videoQuality;
    std::optional<QString> videoSpeed;
    std::optional<SplitChoice> split; // unset: parts where the volume needs them and the setting allows

    ConversionSettings appliedTo(ConversionSettings settings) const;
    bool operator==(const ConversionOptions &) const = default;
};

// Where the output goes: one file, or parts named after it ("Movie - Part 1.mp4", …), decided
// when the job starts.
struct OutputPlan
{
    QString path;
    std::optional<quint64> partSize; // set: written in parts of at most this many bytes

    bool operator==(const OutputPlan &) const = default;
};

struct ConversionRequest
{
    QString source;
    std::shared_ptr<const MKVFileInfo> inspection; // of `source`; never saved
    std::optional<int> audioStreamId;              // none: the movie has no sound to carry
    QString subtitleFile;                          // a subtitle file added to the movie; empty: none
    // The subtitle file's encoding for ffmpeg's "-sub_charenc", found when the job starts; empty
    // for UTF-8. Not saved.
    QString subtitleEncoding;
    // The remembered folder the output lies in, whose access the job holds; empty for a name
    // chosen in the save panel.
    QString destinationFolder;
    ConversionOptions options;
    OutputPlan output;

    // Everything that is saved.
    bool operator==(const ConversionRequest &other) const
    {
        return source == other.source && audioStreamId == other.audioStreamId && subtitleFile == other.subtitleFile
            && destinationFolder == other.destinationFolder && options == other.options && output == other.output;
    }
};

} // namespace tavrel
