// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Counting, matching, splitting, casing and hex conversion of text.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace tavrel {

QString localized(const QString &text);                                // the text itself
int countOccurencesOfString(const QString &text, const QString &what); // 0 for an empty what
bool containsInsensitive(const QString &text, const QString &what, bool insensitive);
bool containsAny(const QString &text, const QStringList &candidates);
QStringList words(const QString &text); // split at every whitespace character
QString titlecaseString(const QString &text);
QString propercaseString(const QString &text);
QString stringByReplacingMultipleStrings(const QString &text, const QList<std::pair<QString, QString>> &replacements);
QByteArray dataFromHexString(const QString &hex); // stops at a pair that is not hex
QString hexString(const QByteArray &data);

// The text with its control characters ("\n", "\x1b", "\u2028") and bidirectional formatting
// characters ("\u202e") escaped, so that a file name can neither break a printed line, drive the
// terminal, nor show as another name. Every line the batch prints and the system log take it.
QString escapedLineText(const QString &text);

// A name cut in its middle to at most `maximum` UTF-16 units, an ellipsis standing for the cut:
// its start and its extension stay, and an alert or a dialog stays readable whatever it holds.
inline constexpr qsizetype kShownNameLength = 120;
QString elidedName(const QString &name, qsizetype maximum = kShownNameLength);

} // namespace tavrel
