// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text operations with fixed splitting and trimming rules that the report parser, the status
// line and the argument list rely on. Qt's own trimmed()/split() follow other rules.
#include <QString>
#include <QStringList>

namespace tavrel {

bool contains(const QString &text, const QString &what); // literal, case-sensitive
QStringList lines(const QString &text);                  // split at LF, VT, FF, CR, NEL, LS, PS; keeps empties
QString trimmed(const QString &text);                    // spaces, tabs, Unicode space separators; never line breaks
QStringList split(const QString &text, const QString &separator); // keeps empty pieces
QString replaced(const QString &text, const QString &target, const QString &replacement);
QString clamp(const QString &text, qsizetype maximumLength); // counts UTF-16 units
QString joined(const QStringList &list, const QString &separator);

// Decimal reading used throughout: leading blanks skipped, optional sign, digits up to the
// first other character; no digits gives 0.
qint64 integerValue(const QString &text);
// Like strtod on the leading part of the text; 0.0 when nothing numeric leads.
double doubleValue(const QString &text);

} // namespace tavrel
