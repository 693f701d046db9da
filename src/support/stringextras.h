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

} // namespace tavrel
