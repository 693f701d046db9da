// Following a running job (progress file, console output) and handling its end.
#include "conversion/conversionjob.h"

#include <QFile>
#include <QPointer>
#include <QProcess>

#include "app/settings.h"
#include "conversion/failureexplanation.h"
#include "conversion/progressmonitor.h"
#include "platform/services.h"
#include "support/alerts.h"
#include "support/format.h"
#include "support/ossorylib.h"
#include "support/strings.h"

namespace tavrel {

void ConversionJob::progressTimer()
{
    const ProgressFileRead read = readProgressFile(m_progressFile, m_lastFileSize);
    if (!read.opened) {
        m_lastFileSize = 0;
        return;
    }
    m_lastFileSize = read.offset;
    const std::optional<qint64> runtime = m_fileInfo ? m_fileInfo->runtimeSeconds : std::nullopt;
    if (const auto value = progressFromText(QString::fromUtf8(read.text), runtime))
        setProgress(*value);
}

void ConversionJob::outputReceived()
{
    if (!m_task)
        return;
    const QByteArray data = m_task->readAll();
    if (data.isEmpty())
        return;
    const QString text = m_outputDecoder.decode(data);
    m_jobOutput += keptOutput(text);
    m_log += keptOutputLines(text);
    Q_EMIT jobOutputChanged();
}

void ConversionJob::launchFailed(const QString &reason)
{
    // ffmpeg never ran: end as a failed conversion whose output says why.
    m_jobOutput += QStringLiteral("Could not start ffmpeg: ") + reason;
    m_log += QStringLiteral("Could not start ffmpeg: ") + reason + QLatin1Char('\n');
    conversionFinished(-1, false);
}

void ConversionJob::conversionFinished(int exitCode, bool crashed)
{
    releaseSleepAssertion();
    stopTimer();
    if (m_task) {
        QString rest = m_outputDecoder.decode(m_task->readAll());
        rest += m_outputDecoder.decode(QByteArray());
        m_jobOutput += rest; // the last of it unfiltered, a cut-off sequence flushed
        m_log += rest;
    }
    Q_EMIT jobOutputChanged();
    asl_NSLog_debug(QStringLiteral("conversionFinished %@"), m_jobOutput);

    // Everything the steps after a possible self-removal need, held outside the job.
    QPointer<ConversionJob> self(this);
    JobHost *host = m_host;
    const std::shared_ptr<MKVFileInfo> info = m_fileInfo;

    if (crashed || exitCode != 0) {
        m_finishedError = true;
        setState(Failed);
        if (contains(m_jobOutput, QStringLiteral("No space left on device")))
            alert(kConversionFailedTitle, kFullDiskMessage, QStringLiteral("OK"));
    } else {
        m_finishedOK = true;
        setState(Finished);
        if (settings::defaultInt(settings::kAutoCleanKey))
            remove();
        if (info && settings::defaultInt(settings::kAutoRemoveKey) && !(host && host->isSourceInUse(this))) {
            const QString source = info->fileURL.toLocalFile();
            if (settings::defaultInt(settings::kAutoRemoveTypeKey))
                QFile::remove(source);
            else
                QFile::moveToTrash(source);
        }
    }

    const bool failed = self ? self->m_state == Failed : false;
    if (self) {
        detachChild(false);
        m_stopDate = QDateTime::currentDateTime();
        setProgress(100.0f);
    }

    if (host && host->jobCountWithState(Converting) == 0)
        host->startNextJobInQueue();

    if (auto *notifier = platform::services().notifier) {
        const QString fileName = info ? info->fileName : QString();
        platform::UserNotification note;
        if (failed) {
            note.title = makeString(QStringLiteral("%@ Conversion Failed"), appName());
            note.informativeText = makeString(QStringLiteral("Tavrel has failed to convert the file %@."), fileName);
        } else {
            note.title = makeString(QStringLiteral("%@ Conversion Finished"), appName());
            note.informativeText =
                makeString(QStringLiteral("%@ has finished converting the file %@."), appName(), fileName);
            note.actionButtonTitle = QStringLiteral("Show");
            note.userInfo.insert(QStringLiteral("path"), info ? info->destinationURL.toLocalFile() : QString());
        }
        notifier->deliver(note);
    }

    if (host && settings::defaultInt(settings::kQuitAfterConversionKey) && host->jobCountWithState(Converting) == 0)
        host->terminateApplication();
}

} // namespace tavrel
