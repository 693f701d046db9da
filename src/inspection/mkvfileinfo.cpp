#include "inspection/mkvfileinfo.h"

#include <QFileInfo>

#include "inspection/compatibility.h"
#include "inspection/runastask.h"
#include "inspection/streamreport.h"

namespace tavrel {

QStringList mediainfoArguments(const QString &path)
{
    // The counts come from the stream headers, which mediainfo reads even at parse speed 0.
    return {toolPath(QStringLiteral("mediainfo")), QStringLiteral("--ParseSpeed=0"), QStringLiteral("--Output=XML"),
            path};
}

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

        const TaskResult headers = runTask(mediainfoArguments(path));
        if (!headers.started && info->toolFailure.isEmpty())
            info->toolFailure = headers.startError;
        const QString xml = headers.output.value_or(QString());
        const auto count = referenceFrameCount(xml);
        if (count && hasTooManyReferenceFrames(*count, size))
            raiseWarningLater(kTooManyRefFramesWarning, fileName);
        const VideoHeaderFacts facts = videoHeaderFacts(xml);
        if (facts.isAvc) {
            info->videoLevel = facts.level;
            info->fitsLevel41 = count && tavrel::fitsLevel41(size, *count, facts.frameRate);
        }
    }
    return info;
}

} // namespace tavrel
