// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text from printf-style formats with %@, and durations as text.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace tavrel {

// One value for a format placeholder. %@ prints strings, numbers and URLs; an absent value
// (std::nullopt, nullptr, a null const char *, an empty optional) prints "(null)". Any other
// pointer is a Pointer for %p (the debug traces pass job pointers).
class FormatArg
{
public:
    enum class Kind { Integer, Double, String, Absent, Pointer };

    FormatArg(int v) : m_kind(Kind::Integer), m_int(v) {}
    FormatArg(unsigned v) : m_kind(Kind::Integer), m_int(v), m_unsigned(true) {}
    FormatArg(long v) : m_kind(Kind::Integer), m_int(v) {}
    FormatArg(unsigned long v) : m_kind(Kind::Integer), m_int(qint64(v)), m_unsigned(true) {}
    FormatArg(long long v) : m_kind(Kind::Integer), m_int(v) {}
    FormatArg(unsigned long long v) : m_kind(Kind::Integer), m_int(qint64(v)), m_unsigned(true) {}
    FormatArg(double v) : m_kind(Kind::Double), m_double(v) {}
    FormatArg(float v) : m_kind(Kind::Double), m_double(v), m_single(true) {}
    FormatArg(const QString &v) : m_kind(Kind::String), m_string(v) {}
    FormatArg(const QByteArray &v) : m_kind(Kind::String), m_string(QString::fromUtf8(v)) {}
    FormatArg(const char *v) : m_kind(v ? Kind::String : Kind::Absent), m_string(QString::fromUtf8(v)) {}
    FormatArg(const char16_t *v)
        : m_kind(v ? Kind::String : Kind::Absent), m_string(v ? QString::fromUtf16(v) : QString())
    {
    }
    FormatArg(const QUrl &v);
    // Exact matches above keep string literals and bool (promoted to int) away from this one.
    FormatArg(const void *v) : m_kind(Kind::Pointer), m_int(qint64(reinterpret_cast<quintptr>(v))), m_unsigned(true) {}
    FormatArg(std::nullptr_t) : m_kind(Kind::Absent) {}
    FormatArg(std::nullopt_t) : m_kind(Kind::Absent) {}
    template<typename T>
    FormatArg(const std::optional<T> &v) : FormatArg(v ? FormatArg(*v) : FormatArg(nullptr))
    {
    }

    Kind kind() const { return m_kind; }
    qint64 toInteger() const; // doubles truncated (saturating); strings and absent give 0
    double toDouble() const;
    QString description() const; // what %@ prints

private:
    Kind m_kind;
    qint64 m_int = 0;
    double m_double = 0.0;
    QString m_string;
    bool m_unsigned = false; // m_int holds the bits of an unsigned value
    bool m_single = false;   // m_double came from a float: described with float precision
};

// Fills a printf-style format: %@, %d %i %u %x %X %o %c %s %f %e %g %a %p %% with flags,
// width (or *), precision (or .*), length modifiers and "n$" positions. Numbers are written
// in the C locale. A placeholder without a value writes nothing; an unknown one is kept as it
// stands.
QString makeStringV(const QString &format, const QList<FormatArg> &args);
template<typename... Args>
QString makeString(const QString &format, const Args &...args)
{
    return makeStringV(format, QList<FormatArg>{FormatArg(args)...});
}

// Duration text: "%im %is" or "%is", whole units, truncated toward zero.
QString formattedTimeFromTimeInterval(double seconds);

} // namespace tavrel
