// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The job list's status line for one job, as a function of what it shows.
#include <QString>
#include <QStringList>

#include <optional>

#include "inspection/streamreport.h"

namespace tavrel {

// "Queued", "Converting", "Paused", "Finished", "Failed"; empty for any other value.
QString stateWord(qint32 state);

// elapsedSeconds: since launch (Converting); tookSeconds: launch to termination (Finished).
QString stateInfoString(qint32 state, const QList<AudioTrackFacts> &tracks, std::optional<int> audioStreamId,
                        float progress, double elapsedSeconds, double tookSeconds);

// Seconds left for a conversion at `progress` per cent after `elapsedSeconds`, 0 to 18000.
double estimatedSecondsLeft(float progress, double elapsedSeconds);

} // namespace tavrel
