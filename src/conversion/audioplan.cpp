// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/audioplan.h"

#include "inspection/playability.h"
#include "support/strings.h"

namespace tavrel {

std::optional<QString> descriptionAt(const QStringList &descriptions, quint64 index)
{
    if (index >= quint64(descriptions.size()))
        return std::nullopt;
    return descriptions.at(qsizetype(index));
}

int audioStreamId(const QString &description)
{
    const QStringList pieces = split(description.mid(1), QStringLiteral(":"));
    return int(integerValue(pieces.value(0)));
}

QString audioCodecWord(const QString &description)
{
    const QString piece = split(description, QStringLiteral(" ")).value(2);
    if (piece.size() < 2)
        return QString();
    return piece.mid(1, piece.size() - 2);
}

bool hasSurroundSuffix(const QString &description)
{
    // The suffix follows the codec word: "#1: eng (truehd) [7.1]". Looking for "5.1" anywhere
    // would take a language text such as "Dub_5.1" for a surround track, and miss 7.1.
    const QString suffix = split(description, QStringLiteral(" ")).value(3);
    return suffix.size() > 2 && suffix.startsWith(u'[') && suffix.endsWith(u']');
}

bool aacComesRaw(const QString &container)
{
    const QStringList names = split(container, QStringLiteral(","));
    return names.contains(QStringLiteral("matroska")) || names.contains(QStringLiteral("mov"))
        || names.contains(QStringLiteral("flv"));
}

AudioPlan audioPlan(const QStringList &descriptions, quint64 audioTrackIndex, qint64 ac3Downmix,
                    const QList<AudioTrackFacts> &tracks)
{
    AudioPlan plan;
    const std::optional<QString> description = descriptionAt(descriptions, audioTrackIndex);
    if (!description)
        return plan;
    plan.hasAudio = true;
    plan.streamId = audioStreamId(*description);
    plan.codecWord = audioCodecWord(*description);
    plan.surround = hasSurroundSuffix(*description);
    plan.language = split(*description, QStringLiteral(" ")).value(1);
    if (plan.codecWord == QLatin1String("aac"))
        plan.slowmode = plan.surround
            || (audioTrackIndex < quint64(tracks.size())
                && !audioProblems(tracks.at(qsizetype(audioTrackIndex))).isEmpty());
    else if (plan.codecWord == QLatin1String("ac3"))
        plan.slowmode = plan.surround && ac3Downmix != 0;
    else
        plan.slowmode = true;
    plan.fixupKnownNeedless = plan.codecWord == QLatin1String("aac") && audioTrackIndex < quint64(tracks.size())
        && aacComesRaw(tracks.at(qsizetype(audioTrackIndex)).container);
    return plan;
}

} // namespace tavrel
