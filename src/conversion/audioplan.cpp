// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/audioplan.h"

#include "inspection/playability.h"
#include "support/strings.h"

namespace tavrel {

bool aacComesRaw(const QString &container)
{
    const QStringList names = split(container, QStringLiteral(","));
    return names.contains(QStringLiteral("matroska")) || names.contains(QStringLiteral("mov"))
        || names.contains(QStringLiteral("flv"));
}

AudioPlan audioPlan(const QList<AudioTrackFacts> &tracks, std::optional<int> streamId, qint64 ac3Downmix)
{
    AudioPlan plan;
    const AudioTrackFacts *track = audioTrackWithId(tracks, streamId);
    if (!track)
        return plan;
    plan.hasAudio = true;
    plan.streamId = track->streamId;
    plan.codecWord = track->codec;
    plan.surround = !track->layout.isEmpty();
    plan.language = track->language;
    if (plan.codecWord == QLatin1String("aac"))
        plan.slowmode = plan.surround || !audioProblems(*track).isEmpty();
    else if (plan.codecWord == QLatin1String("ac3"))
        plan.slowmode = plan.surround && ac3Downmix != 0;
    else
        plan.slowmode = true;
    plan.fixupKnownNeedless = plan.codecWord == QLatin1String("aac") && aacComesRaw(track->container);
    return plan;
}

} // namespace tavrel
