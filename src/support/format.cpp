// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/format.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <locale.h>

namespace tavrel {

FormatArg::FormatArg(const QUrl &v)
    : m_kind(v.isEmpty() ? Kind::Absent : Kind::String), m_string(v.toString(QUrl::FullyEncoded))
{
}

qint64 FormatArg::toInteger() const
{
    switch (m_kind) {
    case Kind::Integer:
    case Kind::Pointer:
        return m_int;
    case Kind::Double:
        if (std::isnan(m_double))
            return 0;
        if (m_double >= 0x1p63)
            return std::numeric_limits<qint64>::max();
        if (m_double < -0x1p63)
            return std::numeric_limits<qint64>::min();
        return qint64(m_double);
    case Kind::String:
    case Kind::Absent:
        break;
    }
    return 0;
}

double FormatArg::toDouble() const
{
    switch (m_kind) {
    case Kind::Integer:
        return m_unsigned ? double(quint64(m_int)) : double(m_int);
    case Kind::Double:
        return m_double;
    case Kind::String:
    case Kind::Absent:
    case Kind::Pointer:
        break;
    }
    return 0.0;
}

namespace {

QString pointerText(quint64 address)
{
    return QStringLiteral("0x") + QString::number(address, 16);
}

// The shortest text that reads back as the same float.
QString singleText(float value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

} // namespace

QString FormatArg::description() const
{
    switch (m_kind) {
    case Kind::Integer:
        return m_unsigned ? QString::number(quint64(m_int)) : QString::number(m_int);
    case Kind::Double:
        if (m_single)
            return singleText(float(m_double));
        return QString::number(m_double, 'g', QLocale::FloatingPointShortest);
    case Kind::String:
        return m_string;
    case Kind::Absent:
        break;
    case Kind::Pointer:
        if (m_int != 0)
            return pointerText(quint64(m_int));
        break;
    }
    return QStringLiteral("(null)");
}

namespace {

constexpr int kMaxField = 4096; // width and precision beyond this are clamped

// One parsed placeholder.
struct Field
{
    QByteArray flags; // subset of "-+ #0"
    int width = -1;
    int precision = -1;
    QByteArray length; // hh, h, l, ll, q, L, z, j, t
    char16_t conversion = 0;
    bool leftAlign() const { return flags.contains('-'); }
};

// Number formatting by the C library, but always in the C locale so that the decimal point
// is "." whatever LC_NUMERIC the application set up.
class CLocaleScope final
{
public:
    CLocaleScope()
    {
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        if (cLocale)
            m_previous = uselocale(cLocale);
    }
    ~CLocaleScope()
    {
        if (m_previous)
            uselocale(m_previous);
    }
    Q_DISABLE_COPY_MOVE(CLocaleScope)

private:
    locale_t m_previous = locale_t(nullptr);
};

QByteArray cDirective(const Field &field, const char *length, char conversion)
{
    QByteArray result("%");
    result += field.flags;
    if (field.width >= 0)
        result += QByteArray::number(field.width);
    if (field.precision >= 0)
        result += '.' + QByteArray::number(field.precision);
    result += length;
    result += conversion;
    return result;
}

template<typename T>
QString cFormat(const QByteArray &format, T value)
{
    CLocaleScope scope;
    char small[128];
    const int needed = std::snprintf(small, sizeof small, format.constData(), value);
    if (needed < 0)
        return QString();
    if (size_t(needed) < sizeof small)
        return QString::fromLatin1(small, needed);
    QByteArray big(needed + 1, '\0');
    std::snprintf(big.data(), big.size(), format.constData(), value);
    return QString::fromLatin1(big.constData(), needed);
}

QString padded(const QString &text, const Field &field)
{
    if (field.width <= text.size())
        return text;
    const QString fill(field.width - text.size(), u' ');
    return field.leftAlign() ? text + fill : fill + text;
}

bool isLong(const Field &field)
{
    return !field.length.isEmpty() && field.length != "h" && field.length != "hh";
}

QString formatSigned(const Field &field, qint64 value)
{
    if (field.length == "hh")
        value = qint8(value);
    else if (field.length == "h")
        value = qint16(value);
    return cFormat(cDirective(field, "ll", 'd'), static_cast<long long>(value));
}

// Without a long modifier a 32-bit value is read as 32 bits, so -1 gives ffffffff as in C;
// a wider value is never cut.
QString formatUnsigned(const Field &field, char conversion, qint64 value)
{
    quint64 bits = quint64(value);
    if (field.length == "hh")
        bits = quint8(value);
    else if (field.length == "h")
        bits = quint16(value);
    else if (!isLong(field) && value >= std::numeric_limits<qint32>::min()
             && value <= qint64(std::numeric_limits<quint32>::max()))
        bits = quint32(value);
    return cFormat(cDirective(field, "ll", conversion), static_cast<unsigned long long>(bits));
}

QString formatText(const Field &field, QString text)
{
    if (field.precision >= 0 && text.size() > field.precision)
        text.truncate(field.precision);
    return padded(text, field);
}

// Reads a decimal number at format[i]; i moves past it.
int readNumber(const QString &format, qsizetype &i)
{
    qint64 value = 0;
    while (i < format.size() && format.at(i) >= u'0' && format.at(i) <= u'9') {
        value = std::min<qint64>(value * 10 + (format.at(i).unicode() - u'0'), kMaxField);
        ++i;
    }
    return int(value);
}

class Formatter final
{
public:
    Formatter(const QString &format, const QList<FormatArg> &args) : m_format(format), m_args(args) {}

    QString run()
    {
        qsizetype i = 0;
        const qsizetype n = m_format.size();
        while (i < n) {
            const qsizetype percent = m_format.indexOf(u'%', i);
            if (percent < 0) {
                m_out += QStringView(m_format).mid(i);
                break;
            }
            m_out += QStringView(m_format).mid(i, percent - i);
            i = placeholder(percent);
        }
        return m_out;
    }

private:
    const FormatArg *take(int position)
    {
        const qsizetype index = position > 0 ? position - 1 : m_next++;
        return index < m_args.size() ? &m_args.at(index) : nullptr;
    }

    // Handles the placeholder whose "%" is at start; returns the index after it.
    qsizetype placeholder(qsizetype start)
    {
        const qsizetype n = m_format.size();
        qsizetype i = start + 1;
        if (i < n && m_format.at(i) == u'%') {
            m_out += u'%';
            return i + 1;
        }
        Field field;
        int position = 0;
        {
            qsizetype j = i;
            const int number = readNumber(m_format, j);
            if (j > i && j < n && m_format.at(j) == u'$') {
                position = number;
                i = j + 1;
            }
        }
        while (i < n && QStringView(u"-+ #0'").contains(m_format.at(i))) {
            const char flag = char(m_format.at(i).unicode());
            if (flag != '\'' && !field.flags.contains(flag)) // grouping would follow the locale
                field.flags += flag;
            ++i;
        }
        if (i < n && m_format.at(i) == u'*') {
            const FormatArg *arg = take(0);
            const qint64 width = arg ? arg->toInteger() : 0;
            if (width < 0 && !field.flags.contains('-'))
                field.flags += '-';
            field.width = int(std::min<qint64>(width < 0 ? -width : width, kMaxField));
            ++i;
        } else if (i < n && m_format.at(i) >= u'0' && m_format.at(i) <= u'9') {
            field.width = readNumber(m_format, i);
        }
        if (i < n && m_format.at(i) == u'.') {
            ++i;
            if (i < n && m_format.at(i) == u'*') {
                const FormatArg *arg = take(0);
                const qint64 precision = arg ? arg->toInteger() : 0;
                field.precision = precision < 0 ? -1 : int(std::min<qint64>(precision, kMaxField));
                ++i;
            } else {
                field.precision = readNumber(m_format, i);
            }
        }
        while (i < n && QStringView(u"hlqLzjt").contains(m_format.at(i)) && field.length.size() < 2) {
            field.length += char(m_format.at(i).unicode());
            ++i;
        }
        if (i >= n) { // a format that ends inside a placeholder keeps its text
            m_out += QStringView(m_format).mid(start);
            return n;
        }
        field.conversion = m_format.at(i).unicode();
        ++i;
        convert(field, position, start, i);
        return i;
    }

    void convert(const Field &field, int position, qsizetype start, qsizetype end)
    {
        switch (field.conversion) {
        case u'@':
        case u's':
        case u'S':
        case u'd':
        case u'i':
        case u'D':
        case u'u':
        case u'U':
        case u'x':
        case u'X':
        case u'o':
        case u'O':
        case u'c':
        case u'C':
        case u'f':
        case u'F':
        case u'e':
        case u'E':
        case u'g':
        case u'G':
        case u'a':
        case u'A':
        case u'p':
        case u'n':
            break;
        default: // not a conversion: the text stays as written
            m_out += QStringView(m_format).mid(start, end - start);
            return;
        }
        const FormatArg *arg = take(position);
        if (!arg || field.conversion == u'n')
            return;
        switch (field.conversion) {
        case u'@':
        case u's':
        case u'S':
            m_out += formatText(field, arg->description());
            break;
        case u'd':
        case u'i':
        case u'D':
            m_out += formatSigned(field, arg->toInteger());
            break;
        case u'u':
        case u'U':
            m_out += formatUnsigned(field, 'u', arg->toInteger());
            break;
        case u'o':
        case u'O':
            m_out += formatUnsigned(field, 'o', arg->toInteger());
            break;
        case u'x':
        case u'X':
            m_out += formatUnsigned(field, char(field.conversion), arg->toInteger());
            break;
        case u'c':
        case u'C': {
            const qint64 code = arg->toInteger();
            const char32_t c = code > 0 && code <= 0x10FFFF ? char32_t(code) : U'\uFFFD';
            m_out += padded(code == 0 ? QString() : QString::fromUcs4(&c, 1), field);
            break;
        }
        case u'p':
            m_out += padded(pointerText(quint64(arg->toInteger())), field);
            break;
        default: // the floating conversions
            m_out += cFormat(cDirective(field, "", char(field.conversion)), arg->toDouble());
            break;
        }
    }

    const QString &m_format;
    const QList<FormatArg> &m_args;
    qsizetype m_next = 0;
    QString m_out;
};

} // namespace

QString makeStringV(const QString &format, const QList<FormatArg> &args)
{
    return Formatter(format, args).run();
}

QString formattedTimeFromTimeInterval(double seconds)
{
    // Truncation toward zero, saturating where a plain cast would be undefined.
    const auto truncated = [](double value) -> int {
        if (std::isnan(value))
            return 0;
        if (value >= 2147483647.0)
            return std::numeric_limits<int>::max();
        if (value <= -2147483648.0)
            return std::numeric_limits<int>::min();
        return int(value);
    };
    const int minutes = truncated(seconds / 60.0);
    if (minutes != 0)
        return makeString(QStringLiteral("%im %is"), minutes, truncated(seconds - 60.0 * minutes));
    return makeString(QStringLiteral("%is"), truncated(seconds));
}

} // namespace tavrel
