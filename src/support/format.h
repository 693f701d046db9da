#pragma once
// String building from printf-style formats with %@, logging to syslog, and the dispatch
// functions over the Qt main loop and the global thread pool.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>
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
    FormatArg(const char16_t *v) : m_kind(v ? Kind::String : Kind::Absent), m_string(v ? QString::fromUtf16(v) : QString()) {}
    FormatArg(const QUrl &v);
    // Exact matches above keep string literals and bool (promoted to int) away from this one.
    FormatArg(const void *v) : m_kind(Kind::Pointer), m_int(qint64(reinterpret_cast<quintptr>(v))), m_unsigned(true) {}
    FormatArg(std::nullptr_t) : m_kind(Kind::Absent) {}
    FormatArg(std::nullopt_t) : m_kind(Kind::Absent) {}
    template<typename T>
    FormatArg(const std::optional<T> &v) : FormatArg(v ? FormatArg(*v) : FormatArg(nullptr)) {}

    Kind kind() const { return m_kind; }
    qint64 toInteger() const;     // doubles truncated (saturating); strings and absent give 0
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

// syslog(3) levels; the program writes at 3 (error).
void openSystemLog();                   // once, from OssoryLib's init
// Text written literally ("%s"), UTF-8; a level outside 0-7 is written at 3.
void aslLogText(int level, const QString &text);
// Seam for tests: while set, aslLogText hands the level and UTF-8 text here instead of syslog.
// Set and clear it while no other thread logs.
using LogSink = std::function<void(int level, const QByteArray &utf8Text)>;
void setLogSinkForTesting(LogSink sink);
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

// The main queue is the QCoreApplication's thread; the background queue the global thread pool.
// Without an application object the main-queue calls drop the block and log an error.
using Block = std::function<void()>;
void dispatch_async_main(Block block);  // runs on a later turn of the event loop, never inline
// Waits for the main thread. No main-thread check: called on the main thread it deadlocks, so
// a caller there runs the block directly.
void dispatch_sync_main(Block block);
void dispatch_after_main(float seconds, Block block); // no earlier than the delay; <= 0: next turn
void dispatch_async_back(Block block);
void dispatch_sync_back(Block block);  // returns after the block; the pool may run it on the caller
void dispatch_after_back(float seconds, Block block);

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

// Calibrated RGB colour, components 0.0–1.0 (the UI turns it into a QColor).
struct Color
{
    double red = 0, green = 0, blue = 0, alpha = 1;
    bool operator==(const Color &) const = default;
};
Color makeColor(double red, double green, double blue, double alpha);
Color makeColor255(double red, double green, double blue, double alpha);

} // namespace tavrel
