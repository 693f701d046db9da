// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/stringextras.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace tavrel {

namespace {

// Embedding, override and isolate controls, and the marks that only steer the direction.
bool isBidiControl(char16_t u)
{
    return (u >= 0x202a && u <= 0x202e) || (u >= 0x2066 && u <= 0x2069) || u == 0x200e || u == 0x200f || u == 0x061c;
}

} // namespace

QString escapedLineText(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n')
            shown += u"\\n"_s;
        else if (u == u'\r')
            shown += u"\\r"_s;
        else if (u == u'\t')
            shown += u"\\t"_s;
        else if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            shown += u"\\x%1"_s.arg(int(u), 2, 16, QChar(u'0'));
        else if (u == 0x2028 || u == 0x2029 || isBidiControl(u))
            shown += u"\\u%1"_s.arg(int(u), 4, 16, QChar(u'0'));
        else
            shown += c;
    }
    return shown;
}

QString elidedName(const QString &name, qsizetype maximum)
{
    if (name.size() <= maximum)
        return name;
    const QString ellipsis = u"\u2026"_s;
    const qsizetype kept = std::max<qsizetype>(maximum - ellipsis.size(), 0);
    qsizetype head = kept - kept / 2;
    qsizetype tail = kept / 2;
    // A surrogate pair is kept whole or left out whole.
    if (head > 0 && name.at(head - 1).isHighSurrogate())
        --head;
    if (tail > 0 && name.at(name.size() - tail).isLowSurrogate())
        --tail;
    return name.left(head) + ellipsis + name.right(tail);
}

} // namespace tavrel
