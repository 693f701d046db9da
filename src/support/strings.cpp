// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/strings.h"

#include <cstdlib>
#include <limits>
#include <locale.h>

namespace tavrel {

namespace {

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case 0x000A:
    case 0x000B:
    case 0x000C:
    case 0x000D:
    case 0x0085:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

// Tab and the space separators (Zs); line breaks are deliberately not whitespace here.
bool isBlank(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

// What the numeric readers skip before the number: blanks and line breaks alike.
bool isLeadingSpace(QChar c)
{
    return isBlank(c) || isLineBreak(c);
}

qsizetype skipLeadingSpace(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && isLeadingSpace(text.at(i)))
        ++i;
    return i;
}

} // namespace

// An empty needle is never found: a search for nothing answers "not found", so a caller that
// tests for an empty language or codec word does not match every line.
bool contains(const QString &text, const QString &what)
{
    if (what.isEmpty())
        return false;
    return text.indexOf(what, 0, Qt::CaseSensitive) >= 0;
}

QStringList lines(const QString &text)
{
    QStringList result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isLineBreak(text.at(i))) {
            result.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    result.append(text.mid(start));
    return result;
}

QString trimmed(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// An empty separator never matches, so the whole text comes back as the one piece.
QStringList split(const QString &text, const QString &separator)
{
    if (separator.isEmpty())
        return {text};
    QStringList result;
    qsizetype start = 0;
    for (;;) {
        const qsizetype found = text.indexOf(separator, start, Qt::CaseSensitive);
        if (found < 0)
            break;
        result.append(text.mid(start, found - start));
        start = found + separator.size();
    }
    result.append(text.mid(start));
    return result;
}

// An empty target leaves the text unchanged (Qt's replace would insert between every unit).
QString replaced(const QString &text, const QString &target, const QString &replacement)
{
    if (target.isEmpty())
        return text;
    QString result;
    qsizetype start = 0;
    for (;;) {
        const qsizetype found = text.indexOf(target, start, Qt::CaseSensitive);
        if (found < 0)
            break;
        result += QStringView(text).mid(start, found - start);
        result += replacement;
        start = found + target.size();
    }
    if (start == 0)
        return text;
    result += QStringView(text).mid(start);
    return result;
}

// Counts UTF-16 units, so a cut may fall inside a surrogate pair; a negative limit gives "".
QString clamp(const QString &text, qsizetype maximumLength)
{
    if (maximumLength < 0)
        return QString();
    if (text.size() <= maximumLength)
        return text;
    return text.left(maximumLength);
}

QString joined(const QStringList &list, const QString &separator)
{
    return list.join(separator);
}

// Leading blanks and line breaks skipped, optional sign, ASCII digits up to the first other
// character. Values beyond the 64-bit range saturate instead of wrapping.
qint64 integerValue(const QString &text)
{
    qsizetype i = skipLeadingSpace(text);
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    constexpr quint64 positiveLimit = quint64(std::numeric_limits<qint64>::max());
    const quint64 limit = negative ? positiveLimit + 1 : positiveLimit;
    quint64 value = 0;
    bool saturated = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            break;
        const quint64 digit = c - u'0';
        if (!saturated && value > (limit - digit) / 10)
            saturated = true;
        if (!saturated)
            value = value * 10 + digit;
    }
    if (saturated)
        value = limit;
    if (negative)
        return value == positiveLimit + 1 ? std::numeric_limits<qint64>::min() : -qint64(value);
    return qint64(value);
}

// strtod in the C locale, so the decimal point is "." whatever the user's locale says.
double doubleValue(const QString &text)
{
    const qsizetype start = skipLeadingSpace(text);
    QByteArray ascii;
    ascii.reserve(text.size() - start);
    for (qsizetype i = start; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == 0 || c > 0x7f)
            break; // nothing numeric goes on past a non-ASCII character
        ascii.append(char(c));
    }
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const char *begin = ascii.constData();
    char *end = nullptr;
    const double value = cLocale ? strtod_l(begin, &end, cLocale) : std::strtod(begin, &end);
    return end == begin ? 0.0 : value;
}

} // namespace tavrel
