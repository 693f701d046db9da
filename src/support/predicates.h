// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// String filters from a small predicate format.
#include <QList>
#include <QString>

#include <functional>

#include "support/format.h"

namespace tavrel {

// A filter predicate over strings from a small predicate format: "self BEGINSWITH[cd] %@",
// ENDSWITH, CONTAINS, "==" (or "="), "!=", with the c (case) and d (diacritics) options; the
// right side is %@ or a quoted literal. A format it cannot read matches nothing.
using Predicate = std::function<bool(const QString &)>;
Predicate makePredicateV(const QString &format, const QList<FormatArg> &args);
template<typename... Args>
Predicate makePredicate(const QString &format, const Args &...args)
{
    return makePredicateV(format, QList<FormatArg>{FormatArg(args)...});
}

} // namespace tavrel
