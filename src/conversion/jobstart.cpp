// SPDX-License-Identifier: GPL-3.0-or-later
// Launching a job: the checks before, the argument list and the ffmpeg child.
#include "conversion/conversionjob.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "conversion/argumentlist.h"
#include "conversion/audioplan.h"
#include "conversion/conversionsettings.h"
#include "conversion/failureexplanation.h"
#include "conversion/freespace.h"
#include "conversion/outputcheck.h"
#include "conversion/outputfile.h"
#include "conversion/outputparts.h"
#include "conversion/progressmonitor.h"
#include "conversion/videoencoding.h"
#include "inspection/runastask.h"
#include "platform/api/childsignals.h"
#include "inspection/subtitleencoding.h"
#include "platform/api/services.h"
#include "support/alerts.h"
#include "support/format.h"
#include "support/log.h"
#include "support/ossorylib.h"
#include "support/paths.h"
#include "support/strings.h"

namespace tavrel {

void ConversionJob::start()
{
    asl_NSLog_debug(QStringLiteral("start %p"), static_cast<const void *>(this));
    if (m_state != Queued || !fileInfo())
        return;
    const MKVFileInfo &info = *fileInfo();
    takeSleepAssertion();

    const QString progressIn = progressFolder();
    m_progressFile = uniqueFile(progressIn + u'/' + progressFileName(info.fileName));

    const ConversionSettings settings = currentSettings();
    const AudioPlan plan = audioPlan(info.audioTracks, m_request.audioStreamId, settings.ac3Downmix);
    m_slowmode = plan.slowmode;

    QFile::remove(m_progressFile);

    if (const auto refusal = freeSpaceRefusal()) {
        releaseSleepAssertion();
        if (m_host && m_host->refusalEndsJob()) {
            m_outputProblem = *refusal;
            failBeforeLaunch(*refusal);
        }
        return;
    }

    if (!QFileInfo::exists(m_request.source)) {
        alert(appName(),
              makeString(QStringLiteral("It seems you've removed the file %@ or unmounted it's volume so conversion "
                                        "can't proceed."),
                         QFileInfo(m_request.source).fileName()),
              QStringLiteral("OK"));
        m_jobOutput = kUserRemovedMarker;
        Q_EMIT jobOutputChanged();
        m_finishedError = true;
        setState(Failed);
        releaseSleepAssertion();
        Q_EMIT ended(JobEnd::SourceMissing);
        return;
    }

    m_jobOutput.clear();
    m_log.clear();
    Q_EMIT jobOutputChanged();
    if (const QString &refusal = info.videoVerdict.unconvertible;
        !refusal.isEmpty() && reencodesVideo(info, settings)) {
        m_outputProblem = refusal;
        failBeforeLaunch(refusal);
        return;
    }
    if (progressIn != documentsFolder())
        addNote(QStringLiteral("the Documents folder %1 cannot be written; the progress goes to %2.")
                    .arg(documentsFolder(), m_progressFile));
    m_lastFileSize = 0;
    m_outputDecoder.resetState();

    // ffmpeg writes a hidden file of this job's own; the final name is taken only once it is checked.
    PartialOutput partial = createPartialOutput(QFileInfo(outputPath()).absolutePath());
    if (partial.path.isEmpty()) {
        failBeforeLaunch(partial.error);
        return;
    }
    m_partialOutput = partial.path;
    m_partialLock = std::move(partial.lock);
    Q_EMIT partialOutputChanged();

    bool fixup = false;
    if (plan.wantsFixupTest())
        fixup = needFixup(plan.streamId);
    // What ffmpeg reads: the request, with the subtitle file's encoding, or a UTF-8 copy of it.
    ConversionRequest input = m_request;
    if (!input.subtitleFile.isEmpty()) {
        qInfo().noquote() << QStringLiteral("Info: adding subtitles from file %1").arg(input.subtitleFile);
        prepareSubtitleInput(input);
    }
    if (marksLevel41(info, settings))
        addNote(QStringLiteral("the video is flagged H.264 level %1 but fits level 4.1; marking it 4.1.")
                    .arg(*info.videoLevel));
    addPlayabilityNotes(info, plan, settings);
    m_arguments = conversionArguments(input, plan, fixup, m_progressFile, settings, plannedOutput(info, settings));
    m_expectedOutput = expectedOutput(input, plan, settings);
    launch();
}

void ConversionJob::launch()
{
    m_task = new QProcess(this);
    m_task->setProcessChannelMode(QProcess::MergedChannels);
    // No terminal input for the child: it would otherwise wait on or steal keystrokes.
    m_task->setStandardInputFile(QProcess::nullDevice());
    m_task->setChildProcessModifier(platform::endsWithThisProcess());
    m_program = toolPath(QStringLiteral("ffmpeg"));
    m_task->setProgram(m_program);
    m_task->setArguments(m_arguments);
    connect(m_task, &QProcess::readyRead, this, &ConversionJob::outputReceived);
    connect(m_task, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        conversionFinished(exitCode, status == QProcess::CrashExit);
    });
    // Queued: a start failure may be reported before start() has returned.
    connect(
        m_task, &QProcess::errorOccurred, this,
        [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart && m_task)
                launchFailed(m_task->errorString());
        },
        Qt::QueuedConnection);
    m_task->start();

    scheduleTimer();
    m_startDate = QDateTime::currentDateTime();
    setState(Converting);
    Q_EMIT runRequested();
}

void ConversionJob::addPlayabilityNotes(const MKVFileInfo &input, const AudioPlan &plan,
                                        const ConversionSettings &settings)
{
    const VideoVerdict &verdict = input.videoVerdict;
    if (reencodesVideo(input, settings)) {
        const PictureSize size = encodedSize(input.videoFacts);
        addNote(QStringLiteral("re-encoding the video to H.264 at %1\u00D7%2 (%3): x264 preset %4, quality %5%6.")
                    .arg(size.width)
                    .arg(size.height)
                    .arg(verdict.reasons.join(QStringLiteral(", ")), x264Preset(settings))
                    .arg(settings.videoQuality)
                    .arg(verdict.fixes.isEmpty() ? QString()
                                                 : QStringLiteral("; ") + verdict.fixes.join(QStringLiteral(", "))));
    } else if (verdict.action == VideoAction::Reencode) {
        QStringList refused = verdict.reasons;
        refused.removeIf([&](const QString &reason) { return verdict.shownWrong.contains(reason); });
        if (!refused.isEmpty())
            addNote(QStringLiteral("the console may not play this video (%1); re-encoding is off.")
                        .arg(refused.join(QStringLiteral(", "))));
        if (!verdict.shownWrong.isEmpty())
            addNote(QStringLiteral("the console will show this video wrong (%1); re-encoding is off.")
                        .arg(verdict.shownWrong.join(QStringLiteral(", "))));
    }
    QList<PictureSubtitle> leftOut = input.pictureSubtitles;
    if (const auto burned = burnedSubtitle(input, plan, settings)) {
        addNote(QStringLiteral("burning in the %1picture subtitle track #%2 (%3, %4).")
                    .arg(burned->forced ? QStringLiteral("forced ") : QString())
                    .arg(burned->streamId)
                    .arg(pictureSubtitleKind(burned->codec), burned->language));
        leftOut.removeIf([&](const PictureSubtitle &track) { return track.streamId == burned->streamId; });
    }
    if (const QString note = pictureSubtitlesLeftOutNote(leftOut); !note.isEmpty())
        addNote(note + u'.');
    if (plan.slowmode && plan.codecWord == QLatin1String("aac"))
        addNote(QStringLiteral("re-encoding the AAC audio to AC3: the console plays AAC LC in stereo at 32, 44.1 "
                               "or 48 kHz only."));
}

void ConversionJob::prepareSubtitleInput(ConversionRequest &input)
{
    const QString path = input.subtitleFile;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return; // ffmpeg says why it cannot read it
    const QByteArray bytes = file.read(kSubtitleSampleLength);
    if (hasUtf16ByteOrderMark(bytes)) {
        const QByteArray utf8 = *utf8FromUtf16(bytes + file.readAll());
        // ffmpeg 5.1 garbles UTF-16 lines that begin with a character above U+07FF (most CJK
        // lines): it reads a UTF-8 copy instead, which goes with the job.
        m_subtitleCopy = std::make_unique<QTemporaryDir>();
        const QString copy = m_subtitleCopy->filePath(QFileInfo(path).fileName());
        QFile out(copy);
        if (m_subtitleCopy->isValid() && out.open(QIODevice::WriteOnly) && out.write(utf8) == utf8.size()) {
            input.subtitleFile = copy;
            addNote(QStringLiteral("reading the UTF-16 subtitle file through a UTF-8 copy."));
        }
        return;
    }
    input.subtitleEncoding = subtitleEncodingFor(bytes, localeEncoding());
    if (!input.subtitleEncoding.isEmpty())
        addNote(QStringLiteral("reading the subtitle file as %1.").arg(input.subtitleEncoding));
}

bool ConversionJob::needFixup(int audioStreamId)
{
    if (!fileInfo())
        return false;
    // The test writes its second into the hidden file, which the conversion then overwrites.
    const TaskResult result =
        runTask(fixupTestArguments(toolPath(QStringLiteral("ffmpeg")), *fileInfo(), audioStreamId, m_partialOutput));
    return result.output && contains(*result.output, QStringLiteral("aac_adtstoasc"));
}

QStringList ConversionJob::plannedOutput(const MKVFileInfo &info, const ConversionSettings &settings)
{
    if (!m_request.output.partSize)
        return {m_partialOutput};
    const double seconds = double(qMax<qint64>(info.runtimeSeconds.value_or(1), 1));
    const bool reencode = reencodesVideo(info, settings);
    const double rate =
        reencode ? reencodedByteRate(kLargestAudioBitRate) : double(info.fileSize.value_or(0)) / seconds;
    const CutPlan cuts = planCuts(seconds, rate, *m_request.output.partSize);
    addNote(QStringLiteral("writing the movie in %1 parts of at most %2 MB each: the destination holds no file "
                           "that large.")
                .arg(cuts.parts())
                .arg(*m_request.output.partSize / 1000000));
    return segmentOutputArguments(cuts.cutTimes, partialPartPattern(m_partialOutput), reencode);
}

std::optional<QString> ConversionJob::freeSpaceRefusal()
{
    if (!fileInfo())
        return QString();
    const MKVFileInfo &info = *fileInfo();
    FreeSpaceFigures figures;
    figures.sourceSize = info.fileSize.value_or(0);
    if (auto *volumes = platform::services().volumes) {
        figures.bootFree = volumes->figuresForPath(documentsFolder()).freeBytes;
        const platform::VolumeFigures target = volumes->figuresForPath(QFileInfo(outputPath()).absolutePath());
        figures.targetFree = target.freeBytes;
        figures.largestFile = target.maximumFileSize;
    }
    // A picture re-encoded may take up to the encoder's cap; a copied one about the source's size.
    const ConversionSettings settings = currentSettings();
    const quint64 estimate = reencodesVideo(info, settings)
        ? quint64(reencodedByteRate(kLargestAudioBitRate) * double(info.runtimeSeconds.value_or(0)))
        : figures.sourceSize;
    const SplitDecision split = decideSplit(figures.largestFile, settings.splitLargeOutputs != 0,
                                            m_request.options.split.value_or(SplitChoice{}), estimate);
    m_request.output.partSize.reset();
    if (split.kind == SplitDecision::Kind::Parts) {
        // Each part fits where the whole would not.
        m_request.output.partSize = split.partLimit;
        figures.largestFile.reset();
    }
    const FreeSpaceDecision decision = decideFreeSpace(figures);
    asl_NSLog_debug(QStringLiteral("%@"), decision.trace);
    if (decision.refusal)
        alert(appName(), *decision.refusal, QStringLiteral("OK"));
    return decision.refusal;
}

} // namespace tavrel
