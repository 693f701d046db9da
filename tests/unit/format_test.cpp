// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cmath>
#include <limits>
#include <syslog.h>
#include <thread>

#include "support/format.h"
#include "support/dispatch.h"
#include "support/log.h"

using namespace tavrel;
using namespace Qt::StringLiterals;

namespace {

struct FormatCase
{
    const char *name;
    QString format;
    QList<FormatArg> args;
    QString expected;
};

TEST(MakeString, FillsTheConversionsTheProgramUses)
{
    const int fortyTwo = 42;
    const FormatCase cases[] = {
        {"strings", u"#%@: %@ (%@)%@"_s, {u"1"_s, u"eng"_s, u"ac3"_s, u" [5.1]"_s}, u"#1: eng (ac3) [5.1]"_s},
        {"absent values",
         u"Duration: %@  Bitrate: %@"_s,
         {nullptr, std::nullopt},
         u"Duration: (null)  Bitrate: (null)"_s},
        {"empty optional", u"%@"_s, {std::optional<QString>()}, u"(null)"_s},
        {"filled optional", u"%@"_s, {std::optional<QString>(u"x"_s)}, u"x"_s},
        {"null C string", u"%@"_s, {static_cast<const char *>(nullptr)}, u"(null)"_s},
        {"integers through %@", u"%@/%@"_s, {7, qint64(-3)}, u"7/-3"_s},
        {"unsigned through %@", u"%@"_s, {std::numeric_limits<quint64>::max()}, u"18446744073709551615"_s},
        {"doubles through %@", u"%@ %@ %@"_s, {1.5, 100.0, 0.1}, u"1.5 100 0.1"_s},
        {"float through %@", u"%@"_s, {0.1f}, u"0.1"_s},
        {"url through %@", u"%@"_s, {QUrl(u"https://example.org/a b"_s)}, u"https://example.org/a%20b"_s},
        {"empty url is absent", u"%@"_s, {QUrl()}, u"(null)"_s},
        {"percent sign", u"100%% done"_s, {}, u"100% done"_s},
        {"%i and %d", u"Audiotracks: %i (%d)"_s, {2, 1}, u"Audiotracks: 2 (1)"_s},
        {"%li with 64 bits", u" Problems: %li"_s, {qint64(5'000'000'000)}, u" Problems: 5000000000"_s},
        {"%lu", u"%lu"_s, {18446744073709551615UL}, u"18446744073709551615"_s},
        {"%u of -1 reads 32 bits", u"%u"_s, {-1}, u"4294967295"_s},
        {"%02lx", u"%02lx%02lx"_s, {10UL, 255UL}, u"0aff"_s},
        {"%x of -1 reads 32 bits", u"%x"_s, {-1}, u"ffffffff"_s},
        {"%#X", u"%#X"_s, {255}, u"0XFF"_s},
        {"%.1f", u"%.1f"_s, {2.25}, u"2.2"_s},
        {"%fGB with an integer", u"%fGB"_s, {2}, u"2.000000GB"_s},
        {"%5.2f", u"[%5.2f]"_s, {3.14159}, u"[ 3.14]"_s},
        {"%04i", u"%04i"_s, {-7}, u"-007"_s},
        {"%*d", u"%*d"_s, {3, 5}, u"  5"_s},
        {"%.*f", u"%.*f"_s, {2, 1.0}, u"1.00"_s},
        {"%s", u"%s/%s"_s, {"ab", u"é"_s}, u"ab/é"_s},
        {"%.2s", u"%.2s"_s, {"abcdef"}, u"ab"_s},
        {"%5@", u"[%5@]"_s, {u"ab"_s}, u"[   ab]"_s},
        {"%-5@", u"[%-5@]"_s, {u"ab"_s}, u"[ab   ]"_s},
        {"%c", u"%c%c"_s, {int('o'), 0x00e9}, u"oé"_s},
        {"%g", u"%g"_s, {0.0001}, u"0.0001"_s},
        {"positions", u"%2$@ %1$@"_s, {u"a"_s, u"b"_s}, u"b a"_s},
        {"bool promotes to int", u"%i %i"_s, {true, false}, u"1 0"_s},
        {"%p", u"start %p"_s, {reinterpret_cast<const void *>(quintptr(0x1234))}, u"start 0x1234"_s},
        {"%p of null", u"%p"_s, {static_cast<const void *>(nullptr)}, u"0x0"_s},
        {"%@ of a pointer",
         u"%@"_s,
         {static_cast<const void *>(&fortyTwo)},
         u"0x"_s + QString::number(reinterpret_cast<quintptr>(&fortyTwo), 16)},
        {"missing values print nothing", u"a%@b%ic%fd%se"_s, {}, u"abcde"_s},
        {"one value short", u"%@-%@"_s, {u"x"_s}, u"x-"_s},
        {"unknown conversion kept", u"50%y %@"_s, {u"z"_s}, u"50%y z"_s},
        {"lone percent at the end", u"50%"_s, {}, u"50%"_s},
        {"unfinished placeholder kept", u"50%0l"_s, {1}, u"50%0l"_s},
        {"surplus values ignored", u"%@"_s, {u"a"_s, u"b"_s}, u"a"_s},
        {"values never read as formats", u"%@"_s, {u"%@ %s %n 100%"_s}, u"%@ %s %n 100%"_s},
        {"a huge width is bounded", u"%999999999d"_s, {1}, QString(4095, u' ') + u'1'},
    };
    for (const FormatCase &c : cases)
        EXPECT_EQ(makeStringV(c.format, c.args), c.expected) << c.name;
}

TEST(MakeString, TemplateTakesMixedValues)
{
    const QString none;
    EXPECT_EQ(makeString(u"%@ v%@ (%i) %@"_s, u"Tavrel"_s, "1.0", 100, std::optional<int>()),
              u"Tavrel v1.0 (100) (null)"_s);
    EXPECT_EQ(makeString(u"%@"_s, QByteArray("bytes")), u"bytes"_s);
    EXPECT_EQ(makeString(u"%@"_s, u"utf16"), u"utf16"_s);
    EXPECT_EQ(makeString(u"%@"_s, none), u""_s); // a null QString is an empty string, not absent
}

// Pointers to strings must stay strings; other pointers are addresses.
TEST(MakeString, OverloadsDoNotHijackStringsOrBool)
{
    char buffer[] = "mutable";
    EXPECT_EQ(FormatArg("literal").kind(), FormatArg::Kind::String);
    EXPECT_EQ(FormatArg(static_cast<char *>(buffer)).kind(), FormatArg::Kind::String);
    EXPECT_EQ(FormatArg(u"utf16").kind(), FormatArg::Kind::String);
    EXPECT_EQ(FormatArg(true).kind(), FormatArg::Kind::Integer);
    EXPECT_EQ(FormatArg(nullptr).kind(), FormatArg::Kind::Absent);
    const QObject *object = QCoreApplication::instance();
    EXPECT_EQ(FormatArg(object).kind(), FormatArg::Kind::Pointer);
}

struct DurationCase
{
    double seconds;
    const char *expected;
};

TEST(Duration, MinutesAndSecondsTruncatedWithoutHours)
{
    const DurationCase cases[] = {
        {0, "0s"},        {0.4, "0s"},        {59.9, "59s"},       {60, "1m 0s"},        {125.7, "2m 5s"},
        {3725, "62m 5s"}, {18000, "300m 0s"}, {-125.7, "-2m -5s"}, {std::nan(""), "0s"},
    };
    for (const DurationCase &c : cases)
        EXPECT_EQ(formattedTimeFromTimeInterval(c.seconds), QString::fromUtf8(c.expected)) << c.seconds;
}

TEST(SystemLog, WritesTheTextLiterallyAtItsLevel)
{
    QList<std::pair<int, QByteArray>> records;
    setLogSinkForTesting([&](int level, const QByteArray &text) { records.append({level, text}); });
    asl_NSLog(3, u"Error creating bookmark: %@"_s, u"/films/100% é %s %@.mkv"_s);
    aslLogText(LOG_DEBUG, u"debug"_s);
    aslLogText(42, u"bad level"_s);
    aslLogText(-1, u"negative level"_s);
    asl_NSLog_debug(u"start %p"_s, static_cast<const void *>(&records));
    setLogSinkForTesting(nullptr);

#ifdef TAVREL_DEBUG_LOG
    const qsizetype expected = 5;
#else
    const qsizetype expected = 4; // debug traces are discarded
#endif
    ASSERT_EQ(records.size(), expected);
    EXPECT_EQ(records.at(0).first, LOG_ERR);
    EXPECT_EQ(records.at(0).second, u"Error creating bookmark: /films/100% é %s %@.mkv"_s.toUtf8());
    EXPECT_EQ(records.at(1).first, LOG_DEBUG);
    EXPECT_EQ(records.at(2).first, LOG_ERR); // never read as a facility
    EXPECT_EQ(records.at(3).first, LOG_ERR);
}

struct DelayCase
{
    float seconds;
    qint64 nanoseconds;
};

TEST(Dispatch, DelayIsConvertedInSinglePrecision)
{
    const DelayCase cases[] = {
        {0.1f, 100'000'000},
        {0.0f, 0},
        {1.0f, 1'000'000'000},
        {-0.5f, -500'000'000},
        {2.5f, 2'500'000'000},
        {1e-10f, 0}, // truncated toward zero
        {1e12f, std::numeric_limits<qint64>::max()},
        {-1e12f, std::numeric_limits<qint64>::min()},
        {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const DelayCase &c : cases)
        EXPECT_EQ(delayToNanoseconds(c.seconds), c.nanoseconds) << c.seconds;
}

TEST(Dispatch, AsyncMainRunsLaterNeverInline)
{
    QList<int> order;
    dispatch_async_main([&] { order.append(1); });
    dispatch_async_main([&] { order.append(2); });
    EXPECT_TRUE(order.isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return order.size() == 2; }, 5000));
    EXPECT_EQ(order, (QList<int>{1, 2}));
}

TEST(Dispatch, AsyncMainFromABackgroundThreadRunsOnTheMainThread)
{
    std::atomic<QThread *> ranOn = nullptr;
    std::thread([&] { dispatch_async_main([&] { ranOn = QThread::currentThread(); }); }).join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ranOn.load() != nullptr; }, 5000));
    EXPECT_EQ(ranOn.load(), QCoreApplication::instance()->thread());
}

TEST(Dispatch, AfterMainNeverRunsEarly)
{
    QElapsedTimer clock;
    qint64 ranAfter = -1;
    clock.start();
    dispatch_after_main(0.1f, [&] { ranAfter = clock.nsecsElapsed(); });
    EXPECT_EQ(ranAfter, -1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ranAfter >= 0; }, 5000));
    EXPECT_GE(ranAfter, 100'000'000);
}

TEST(Dispatch, AfterMainWithoutDelayRunsOnTheNextTurn)
{
    bool zero = false, negative = false;
    dispatch_after_main(0.0f, [&] { zero = true; });
    dispatch_after_main(-1.0f, [&] { negative = true; });
    EXPECT_FALSE(zero || negative);
    EXPECT_TRUE(QTest::qWaitFor([&] { return zero && negative; }, 1000));
}

TEST(Dispatch, AfterMainFromABackgroundThreadCountsFromTheCall)
{
    std::atomic<qint64> ranAfter = -1;
    std::atomic<QThread *> ranOn = nullptr;
    QElapsedTimer clock;
    clock.start();
    std::thread([&] {
        dispatch_after_main(0.05f, [&] {
            ranAfter = clock.nsecsElapsed();
            ranOn = QThread::currentThread();
        });
    }).join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ranAfter.load() >= 0; }, 5000));
    EXPECT_GE(ranAfter.load(), 50'000'000);
    EXPECT_EQ(ranOn.load(), QCoreApplication::instance()->thread());
}

TEST(Dispatch, SyncMainFromABackgroundThreadWaitsForTheMainThread)
{
    std::atomic<bool> finished = false;
    std::atomic<bool> ranBeforeReturn = false;
    std::atomic<QThread *> ranOn = nullptr;
    std::thread background([&] {
        bool ran = false;
        dispatch_sync_main([&] {
            ranOn = QThread::currentThread();
            ran = true;
        });
        ranBeforeReturn = ran;
        finished = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished.load(); }, 5000));
    background.join();
    EXPECT_TRUE(ranBeforeReturn.load());
    EXPECT_EQ(ranOn.load(), QCoreApplication::instance()->thread());
}

TEST(Dispatch, SyncMainOnTheMainThreadRunsTheBlockInsteadOfDeadlocking)
{
    bool ran = false;
    dispatch_sync_main([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(Dispatch, EmptyBlocksAreIgnored)
{
    dispatch_async_main(nullptr);
    dispatch_after_main(0.0f, nullptr);
    QTest::qWait(20); // nothing may throw from the event loop
    SUCCEED();
}

} // namespace
