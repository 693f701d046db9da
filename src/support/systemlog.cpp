// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/log.h"

#include <QtGlobal>

#include <mutex>
#include <syslog.h>

#include "support/stringextras.h"

namespace tavrel {

namespace {

LogSink &logSink()
{
    static LogSink sink;
    return sink;
}

QtMessageHandler qtHandler = nullptr;

void escapedQtMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (qtHandler)
        qtHandler(type, context, escapedLineText(message));
}

} // namespace

// No ident and the user facility: syslog fills in the process name. Never closed.
void openSystemLog()
{
    static std::once_flag once;
    std::call_once(once, [] { openlog(nullptr, 0, LOG_USER); });
}

// The text is the argument of a fixed "%s", so a '%' in a file name is written as it stands.
// A level outside the syslog range would otherwise be read as a facility.
void aslLogText(int level, const QString &text)
{
    if (level < LOG_EMERG || level > LOG_DEBUG)
        level = LOG_ERR;
    const QByteArray utf8 = escapedLineText(text).toUtf8();
    if (const LogSink &sink = logSink()) {
        sink(level, utf8);
        return;
    }
    syslog(level, "%s", utf8.constData());
}

void escapeQtMessages()
{
    static std::once_flag once;
    std::call_once(once, [] { qtHandler = qInstallMessageHandler(&escapedQtMessage); });
}

void setLogSinkForTesting(LogSink sink)
{
    logSink() = std::move(sink);
}

} // namespace tavrel
