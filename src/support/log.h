// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The system log (syslog), with a seam for tests.
#include <QByteArray>
#include <QString>

#include <functional>

#include "support/format.h"

namespace tavrel {

// syslog(3) levels; the program writes at 3 (error).
void openSystemLog(); // once, from OssoryLib's init
// Text written literally ("%s"), UTF-8, escaped as a printed line is; a level outside 0-7 is
// written at 3.
void aslLogText(int level, const QString &text);
// Qt's messages (and the program's own qInfo lines) go where Qt sends them, escaped the same way.
void escapeQtMessages();
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
void asl_NSLog_debug(const QString &, const Args &...)
{
}
#endif

} // namespace tavrel
