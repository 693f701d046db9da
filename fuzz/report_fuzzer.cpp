// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target over the readers of tool output: the probe report and its information
// line, the check of a converted file, the picture's verdict and filters, mediainfo's
// reference-frame count and H.264 facts, the progress file and the console-output filter.
// Input: an optional input path, a NUL byte, then the tool's bytes.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <unistd.h>

#include "conversion/outputcheck.h"
#include "conversion/progressmonitor.h"
#include "conversion/videoencoding.h"
#include "inspection/compatibility.h"
#include "inspection/runastask.h"
#include "inspection/streamreport.h"

namespace {

// One file per fuzzing process, rewritten for every input.
const QString &progressPath()
{
    static const QString path = QDir::tempPath() + QStringLiteral("/tavrel-fuzz-%1.log").arg(getpid());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype nul = bytes.indexOf('\0');
    const QString path = nul < 0 ? QString() : tavrel::decodeToolOutput(bytes.left(nul));
    const QString text = tavrel::decodeToolOutput(nul < 0 ? bytes : bytes.mid(nul + 1));

    const tavrel::StreamReport report = tavrel::parseStreamReport(text, path);
    (void)tavrel::informationString(report);
    for (const QString &line : report.videoLines)
        (void)tavrel::codecWarnings(line);
    if (report.resolutionText) {
        const tavrel::PictureSize picture = tavrel::pictureSize(*report.resolutionText);
        (void)tavrel::isTooWide(picture);
        if (const auto count = tavrel::referenceFrameCount(text))
            (void)tavrel::hasTooManyReferenceFrames(*count, picture);
    }
    (void)tavrel::referenceFrameCount(text);
    (void)tavrel::outputProblem({true, true, 1, report.runtimeSeconds}, report);
    // The picture's facts, verdict and filters: sizes, turns and colour names come from the text.
    (void)tavrel::playabilityProblem({.fieldsKept = true}, report, text);
    if (!report.videoLines.isEmpty())
        (void)tavrel::videoFilterChain(tavrel::videoFacts(report.videoLines.last(), text, report.videoSideData));
    const tavrel::VideoHeaderFacts facts = tavrel::videoHeaderFacts(text);
    if (report.resolutionText)
        (void)tavrel::fitsLevel41(tavrel::pictureSize(*report.resolutionText), 4, facts.frameRate);

    (void)tavrel::keptOutput(text);
    (void)tavrel::progressFromText(text, report.runtimeSeconds);

    // The reader starts at an offset taken from the input, past the end included. Writing a
    // file costs more than all the parsing, so only one input in eight gets one.
    QFile file(progressPath());
    if (size && data[size - 1] % 8 == 0 && file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
        file.close();
        const quint64 offset = size ? quint64(data[0]) * 7 : 0;
        const tavrel::ProgressFileRead read = tavrel::readProgressFile(progressPath(), offset);
        (void)tavrel::progressFromText(QString::fromUtf8(read.text), report.runtimeSeconds);
    }
    return 0;
}
