// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/stringextras.h"

#include "support/strings.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace tavrel {

int countOccurencesOfString(const QString &text, const QString &what)
{
    return int(split(text, what).size() - 1);
}

// An empty needle is never found, as with contains().
bool containsInsensitive(const QString &text, const QString &what, bool insensitive)
{
    if (what.isEmpty())
        return false;
    return text.contains(what, insensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
}

bool containsAny(const QString &text, const QStringList &candidates)
{
    for (const QString &candidate : candidates)
        if (contains(text, candidate))
            return true;
    return false;
}

// Every whitespace character (line breaks included) separates; adjacent ones give empty words.
QStringList words(const QString &text)
{
    QStringList result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isSpace()) {
            result.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    result.append(text.mid(start));
    return result;
}

namespace {

// First letter of every blank-separated word upper case, the rest lower case.
QString capitalized(const QString &text)
{
    QString result;
    result.reserve(text.size());
    bool wordStart = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isSpace()) {
            result += c;
            wordStart = true;
            continue;
        }
        // A surrogate pair is changed as one character.
        const qsizetype length = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        result += wordStart ? character.toUpper() : character.toLower();
        wordStart = false;
        i += length - 1;
    }
    return result;
}

} // namespace

// The short words are lowered only where a space stands on both sides, so the first and the
// last word keep their capital.
QString titlecaseString(const QString &text)
{
    static const QStringList shortWords = {u"a"_s,   u"an"_s, u"and"_s, u"as"_s, u"at"_s, u"but"_s, u"by"_s,  u"en"_s,
                                           u"for"_s, u"if"_s, u"in"_s,  u"of"_s, u"on"_s, u"or"_s,  u"nor"_s, u"the"_s,
                                           u"to"_s,  u"v"_s,  u"via"_s, u"vs"_s, u"up"_s, u"it"_s};
    QStringList pieces = split(capitalized(text), u" "_s);
    for (qsizetype i = 1; i + 1 < pieces.size(); ++i) {
        const QString lower = pieces.at(i).toLower();
        if (shortWords.contains(lower))
            pieces[i] = lower;
    }
    return pieces.join(u' ');
}

QString propercaseString(const QString &text)
{
    if (text.isEmpty())
        return text;
    const qsizetype first = text.at(0).isHighSurrogate() && text.size() > 1 ? 2 : 1;
    return text.left(first).toUpper() + text.mid(first).toLower();
}

// Each target is first swapped for its own 16-unit marker from the private-use area, and only
// then are the markers swapped for the replacements, so no replacement is itself replaced.
QString stringByReplacingMultipleStrings(const QString &text, const QList<std::pair<QString, QString>> &replacements)
{
    const auto marker = [](qsizetype index) {
        QString token(16, QChar(0xE000));
        for (int digit = 1; digit < 16; ++digit, index >>= 4)
            token[digit] = QChar(char16_t(0xE010 + (index & 0xf)));
        return token;
    };
    QString result = text;
    for (qsizetype i = 0; i < replacements.size(); ++i)
        result = replaced(result, replacements.at(i).first, marker(i));
    for (qsizetype i = 0; i < replacements.size(); ++i)
        if (!replacements.at(i).first.isEmpty())
            result = replaced(result, marker(i), replacements.at(i).second);
    return result;
}

// Pairs of hex digits, either case; a trailing single digit is ignored and a pair that is not
// hex ends the data there.
QByteArray dataFromHexString(const QString &hex)
{
    const auto value = [](QChar c) -> int {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            return u - u'0';
        if (u >= u'a' && u <= u'f')
            return u - u'a' + 10;
        if (u >= u'A' && u <= u'F')
            return u - u'A' + 10;
        return -1;
    };
    QByteArray result;
    result.reserve(hex.size() / 2);
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2) {
        const int high = value(hex.at(i));
        const int low = value(hex.at(i + 1));
        if (high < 0 || low < 0)
            break;
        result.append(char(high << 4 | low));
    }
    return result;
}

QString hexString(const QByteArray &data)
{
    return QString::fromLatin1(data.toHex());
}

QString localized(const QString &text)
{
    return text;
}

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
