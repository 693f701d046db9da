#include "inspection/mkvfileinfo.h"

#include <QFileInfo>

#include "inspection/compatibility.h"
#include "inspection/runastask.h"
#include "inspection/streamreport.h"

namespace tavrel {

std::shared_ptr<MKVFileInfo> MKVFileInfo::initWithURL(const QUrl &url)
{
    auto info = std::make_shared<MKVFileInfo>();
    const QString path = url.toLocalFile();
    const QString fileName = url.fileName();

    // The path is its own argument after "-i", so ffmpeg takes it as the input whatever its
    // first character is.
    const TaskResult probe = runTask({toolPath(QStringLiteral("ffmpeg")), QStringLiteral("-i"), path});
    if (!probe.started)
        info->toolFailure = probe.startError;
    const StreamReport report = parseStreamReport(probe.output.value_or(QString()), path);

    for (const QString &line : report.videoLines)
        for (const QString &warning : codecWarnings(line))
            raiseWarning(warning, fileName);

    info->subtitleTrackIDs = report.subtitleTrackIDs;
    info->fileName = fileName;
    info->fileURL = url;
    const QFileInfo attributes(path);
    if (!path.isEmpty() && attributes.exists())
        info->fileSize = quint64(attributes.size());
    info->audioTrackInformation = report.audioTrackInformation;
    info->videoTrackID = report.videoTrackID;
    info->runtimeSeconds = report.runtimeSeconds;
    info->informationString = tavrel::informationString(report);

    if (report.resolutionText) {
        const PictureSize size = pictureSize(*report.resolutionText);
        if (isTooWide(size))
            raiseWarningLater(kTooHighResWarning, fileName);

        const TaskResult refFrames =
            runTask({toolPath(QStringLiteral("mediainfo")), QStringLiteral("--Output=XML"), path});
        if (!refFrames.started && info->toolFailure.isEmpty())
            info->toolFailure = refFrames.startError;
        const auto count = referenceFrameCount(refFrames.output.value_or(QString()));
        if (count && hasTooManyReferenceFrames(*count, size))
            raiseWarningLater(kTooManyRefFramesWarning, fileName);
    }
    return info;
}

} // namespace tavrel
