#pragma once
// String building from printf-style formats with %@, logging to syslog, and the dispatch
// functions over the Qt main loop and the global thread pool.
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <optional>

namespace tavrel {

// One value for a format placeholder. %@ prints strings, numbers and URLs; an absent value
// (std::nullopt, nullptr, an empty optional) prints "(null)".
class FormatArg
{
public:
    enum class Kind { Integer, Double, String, Absent };

    FormatArg(int v) : m_kind(Kind::Integer), m_int(v) {}
    FormatArg(unsigned v) : m_kind(Kind::Integer), m_int(v) {}
    FormatArg(long v) : m_kind(Kind::Integer), m_int(v) {}
    FormatArg(unsigned long v) : m_kind(Kind::Integer), m_int(qint64(v)) {}
    FormatArg(long long v) : m_kind(Kind::Integer), m_int(v) {}
    FormatArg(unsigned long long v) : m_kind(Kind::Integer), m_int(qint64(v)) {}
    FormatArg(double v) : m_kind(Kind::Double), m_double(v) {}
    FormatArg(float v) : m_kind(Kind::Double), m_double(v) {}
    FormatArg(const QString &v) : m_kind(Kind::String), m_string(v) {}
    FormatArg(const char *v) : m_kind(v ? Kind::String : Kind::Absent), m_string(QString::fromUtf8(v)) {}
    FormatArg(const QUrl &v);
    FormatArg(std::nullptr_t) : m_kind(Kind::Absent) {}
    FormatArg(std::nullopt_t) : m_kind(Kind::Absent) {}
    template<typename T>
    FormatArg(const std::optional<T> &v) : FormatArg(v ? FormatArg(*v) : FormatArg(nullptr)) {}

    Kind kind() const { return m_kind; }
    qint64 toInteger() const;
    double toDouble() const;
    QString description() const; // what %@ prints

private:
    Kind m_kind;
    qint64 m_int = 0;
    double m_double = 0.0;
    QString m_string;
};

QString makeStringV(const QString &format, const QList<FormatArg> &args);
template<typename... Args>
QString makeString(const QString &format, const Args &...args)
{
    return makeStringV(format, QList<FormatArg>{FormatArg(args)...});
}

// syslog(3) levels; the program writes at 3 (error).
void openSystemLog();                   // once, from OssoryLib's init
void aslLogText(int level, const QString &text); // text written literally ("%s")
template<typename... Args>
void asl_NSLog(int level, const QString &format, const Args &...args)
{
    aslLogText(level, makeString(format, args...));
}
// Debug traces: discarded unless built with TAVREL_DEBUG_LOG.
#ifdef TAVREL_DEBUG_LOG
template<typename... Args>
void asl_NSLog_debug(const QString &format, const Args &...args)
{
    aslLogText(7, makeString(format, args...));
}
#else
template<typename... Args>
void asl_NSLog_debug(const QString &, const Args &...) {}
#endif

// Single-precision delay conversion: seconds * 1e9f, truncated toward zero.
qint64 delayToNanoseconds(float seconds);

using Block = std::function<void()>;
void dispatch_async_main(Block block);
void dispatch_sync_main(Block block);
void dispatch_after_main(float seconds, Block block);
void dispatch_async_back(Block block);
void dispatch_sync_back(Block block);
void dispatch_after_back(float seconds, Block block);

// A filter predicate over strings from a small predicate format: "self BEGINSWITH[cd] %@",
// ENDSWITH, CONTAINS, "==", with the c (case) and d (diacritics) options.
using Predicate = std::function<bool(const QString &)>;
Predicate makePredicateV(const QString &format, const QList<FormatArg> &args);
template<typename... Args>
Predicate makePredicate(const QString &format, const Args &...args)
{
    return makePredicateV(format, QList<FormatArg>{FormatArg(args)...});
}

// Calibrated RGB colour, components 0.0–1.0 (the UI turns it into a QColor).
struct Color
{
    double red = 0, green = 0, blue = 0, alpha = 1;
    bool operator==(const Color &) const = default;
};
Color makeColor(double red, double green, double blue, double alpha);
Color makeColor255(double red, double green, double blue, double alpha);

} // namespace tavrel
