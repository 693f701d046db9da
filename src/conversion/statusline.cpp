// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/statusline.h"

#include <cmath>

#include "conversion/audioplan.h"
#include "conversion/jobstate.h"
#include "support/format.h"
#include "support/strings.h"

namespace tavrel {

namespace {
constexpr double kMaximumSecondsLeft = 18000.0; // five hours

// The description without its "#<id>:", leading blank included.
QString trackPiece(const AudioTrackFacts &track)
{
    const QString description = audioTrackDescription(track);
    return description.mid(description.indexOf(u':') + 1);
}
} // namespace

QString stateWord(qint32 state)
{
    switch (state) {
    case Queued:
        return QStringLiteral("Queued");
    case Converting:
        return QStringLiteral("Converting");
    case Paused:
        return QStringLiteral("Paused");
    case Finished:
        return QStringLiteral("Finished");
    case Failed:
        return QStringLiteral("Failed");
    default:
        return QString();
    }
}

double estimatedSecondsLeft(float progress, double elapsedSeconds)
{
    const double ratio = double(100.0f / progress);
    const double left = ratio * elapsedSeconds - elapsedSeconds;
    // NaN (no progress yet, nothing elapsed) means nothing is known: show the cap.
    if (std::isnan(left) || left > kMaximumSecondsLeft)
        return kMaximumSecondsLeft;
    if (left < 0.0)
        return 0.0;
    return left;
}

QString stateInfoString(qint32 state, const QList<AudioTrackFacts> &tracks, std::optional<int> audioStreamId,
                        float progress, double elapsedSeconds, double tookSeconds)
{
    const QString base = QStringLiteral("Status: ") + stateWord(state);
    switch (state) {
    case Failed:
        return base + QStringLiteral("   Click the arrow at the right to get more information.");
    case Finished:
        return base + QStringLiteral(" [Conversion took: ") + formattedTimeFromTimeInterval(tookSeconds)
            + QLatin1Char(']');
    case Converting: {
        QString text = base;
        if (const AudioTrackFacts *chosen = audioTrackWithId(tracks, audioStreamId)) {
            text += QStringLiteral("   Audio: ") + trackPiece(*chosen);
            if (tracks.size() >= 2) {
                QString discarded;
                for (const AudioTrackFacts &track : tracks) {
                    if (&track != chosen)
                        discarded += QStringLiteral(", ") + trackPiece(track);
                }
                text += QStringLiteral(" (Discarded: ") + discarded.mid(2) + QLatin1Char(')');
            }
        }
        return text + QStringLiteral("   ETA: ")
            + formattedTimeFromTimeInterval(estimatedSecondsLeft(progress, elapsedSeconds));
    }
    default:
        return base;
    }
}

} // namespace tavrel
