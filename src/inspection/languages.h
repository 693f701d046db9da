// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Choosing the audio track to preselect by language, and the table that turns the system's
// two-letter language codes into the three-letter codes the probe reports.
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

#include "inspection/streamreport.h"

namespace tavrel {

// Every two-letter ISO 639-1 code mapped to its bibliographic ISO 639-2 code ("de" -> "ger").
const QHash<QString, QString> &languageTable();

// Each identifier replaced by its three-letter code when the whole identifier is a table key;
// anything else ("en-GB", "zh-Hans") passes through unchanged. Order and duplicates are kept.
QStringList preferredLanguages3Letter(const QStringList &systemLanguages);

// The table's three-letter code of a language named in English or in its own language
// ("German", "Deutsch" -> "ger"), ignoring case; none for any other text.
std::optional<QString> languageCodeForName(const QString &name);
// The same over the system's preferred languages (QLocale::system().uiLanguages()).
QStringList preferredLanguages3Letter();

// The languages an audio track is chosen by: DefaultAudio 2..8 names one of "eng", "ger",
// "fre", "spa", "chi", "jpn", "rus"; any other value (0, and out-of-range 1, <0, >8) means the
// user's preferred languages.
QStringList languageListFor(qint64 defaultAudio, const QStringList &preferred);

// The stream id of the best audio track: best-ranked language first, then an "aac" track, then
// an "ac3" track, then the first in report order. None when there are no tracks.
std::optional<int> bestAudioTrack(const QList<AudioTrackFacts> &tracks, const QStringList &languageList);

} // namespace tavrel
