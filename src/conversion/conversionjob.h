// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One queued conversion: its request, state, progress and status line; while it converts, its
// ffmpeg child, progress timer and sleep assertion. It announces its end and its removal; what
// follows is the queue's.
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

#include "conversion/jobhost.h"
#include "conversion/jobstate.h"
#include "conversion/outputcheck.h"
#include "conversion/conversionrequest.h"
#include "inspection/mkvfileinfo.h"
#include "support/lockedfiles.h"

class QProcess;
class QTimer;

namespace tavrel {

namespace platform {
class SleepAssertion;
}

class ConversionJob final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString stateInfoString READ stateInfoString NOTIFY stateInfoStringChanged)
    Q_PROPERTY(float progress READ progress WRITE setProgress NOTIFY progressChanged)
    Q_PROPERTY(qint32 state READ state WRITE setState NOTIFY stateChanged)

public:
    ConversionJob(JobHost *host, ConversionRequest request, QObject *parent = nullptr);
    ~ConversionJob() override;
    Q_DISABLE_COPY_MOVE(ConversionJob)

    QString stateInfoString() const;
    float progress() const { return m_progress; }
    void setProgress(float progress);
    qint32 state() const { return m_state; }
    void setState(qint32 state);
    bool finishedOK() const { return m_finishedOK; }
    bool finishedError() const { return m_finishedError; }
    bool slowmode() const { return m_slowmode; }
    const ConversionRequest &request() const { return m_request; }
    // The inspection of the source.
    const std::shared_ptr<const MKVFileInfo> &fileInfo() const { return m_request.inspection; }
    // The output: the name it will get, and once published the name it got; the first part's
    // when it was written in parts.
    QString outputPath() const { return m_publishedParts.value(0, m_request.output.path); }
    // Every file the job published: the output, or its parts in order.
    QStringList outputPaths() const
    {
        return m_publishedParts.isEmpty() ? QStringList{outputPath()} : m_publishedParts;
    }

    // Controls.
    void start();
    void pause();
    void continueJob(); // "continue"
    void remove();
    void reveal();

    bool needFixup(int audioStreamId);
    // The free-space refusal, shown as an alert; none when the job may start.
    std::optional<QString> freeSpaceRefusal();

    // Read-only views for the window and tests.
    QString jobOutput() const { return m_jobOutput; }
    QString outputProblem() const { return m_outputProblem; }
    // A line of Tavrel's own ("Tavrel: ...") in the job's log; the output check's verdict also
    // goes into the output.
    enum class NoteTarget { Log, LogAndOutput };
    void addNote(const QString &text, NoteTarget target = NoteTarget::Log);
    // The hidden file in the destination folder that ffmpeg writes until the job has finished
    // and checked it; empty before the start and once published.
    QString partialOutputPath() const { return m_partialOutput; }
    QStringList arguments() const { return m_arguments; }
    QString program() const { return m_program; } // the ffmpeg launched; empty before launch
    // ffmpeg's output for reading: as jobOutput, with its line breaks.
    QString log() const { return m_log; }
    QString progressFile() const { return m_progressFile; }
    qint64 processId() const;

Q_SIGNALS:
    void stateInfoStringChanged();
    void progressChanged();
    void stateChanged();
    void jobOutputChanged();
    void partialOutputChanged();
    // The failure explanation's "Show Log" was chosen.
    void logRequested();
    // The job has launched, or was told to continue: a paused queue runs again.
    void runRequested();
    // The run has ended and the job has done its own part (state, output, progress).
    void ended(tavrel::JobEnd end);
    // remove() has stopped the job and let go of its files: the list drops it, and may delete it.
    void removed();

private:
    void progressTimer();
    void outputReceived();
    void conversionFinished(int exitCode, bool crashed);
    void checkOutput();
    void endConversion(bool succeeded);
    // The hidden file goes at once: a failed job's output would hold the room the next one needs.
    void deletePartialOutput();
    // The settings as the host hands them now; the registered defaults without a host.
    ConversionSettings currentSettings() const;
    void launchFailed(const QString &reason);
    void failBeforeLaunch(const QString &reason);
    // Moves the checked file or parts to their names (or the next free ones); why not, when it cannot.
    std::optional<QString> publish(const QStringList &parts);
    // One file or parts, from the destination volume and the settings; the command's output side.
    QStringList plannedOutput(const MKVFileInfo &info, const ConversionSettings &settings);
    void showFailureExplanation();
    void launch();
    void prepareSubtitleInput(ConversionRequest &input);
    // What the conversion re-encodes, burns in or leaves out, and why, in the log.
    void addPlayabilityNotes(const MKVFileInfo &input, const AudioPlan &plan, const ConversionSettings &settings);
    void end(JobEnd end);
    void detachChild(bool terminate);
    QString documentsFolder() const;
    // Where the progress file goes: the Documents folder, or a private writable one.
    QString progressFolder() const;
    void takeSleepAssertion();
    void releaseSleepAssertion();
    void scheduleTimer();
    void stopTimer();

    JobHost *m_host;
    ConversionRequest m_request;
    QStringList m_publishedParts; // the parts' names once published
    float m_progress = 0.0f;
    qint32 m_state = Queued;
    bool m_finishedOK = false;
    bool m_finishedError = false;
    bool m_slowmode = false;

    QString m_jobOutput;
    ExpectedOutput m_expectedOutput;
    QString m_outputProblem; // what the finished file lacks, when ffmpeg said success
    QStringList m_arguments;
    QString m_program;
    QString m_log;
    QProcess *m_task = nullptr;
    QDateTime m_startDate;
    QDateTime m_stopDate;
    QTimer *m_timer = nullptr;
    QString m_progressFile;
    quint64 m_lastFileSize = 0;
    std::unique_ptr<platform::SleepAssertion> m_sleepAssertion;
    // The tool's output as UTF-8 across reads; ASCII passes unchanged, broken bytes become U+FFFD.
    QStringDecoder m_outputDecoder{QStringDecoder::Utf8};
    std::unique_ptr<QTemporaryDir> m_subtitleCopy; // a UTF-8 copy of a UTF-16 subtitle file
    QString m_partialOutput;                       // the hidden file ffmpeg writes, until it is published
    FileLock m_partialLock;                        // tells a later run that this one still writes it
    bool m_removed = false;
};

} // namespace tavrel
