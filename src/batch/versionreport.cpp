// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/versionreport.h"

#include <QFileInfo>

#include "inspection/runastask.h"
#include "support/ossorylib.h"
#include "support/stringextras.h"

namespace tavrel {

QString versionReport()
{
    // The tools are looked for in the resources folder first, which the instance answers.
    const OssoryLib lib;
    QString report =
        QStringLiteral("%1 %2 (build %3)\n").arg(lib.appName(), lib.appVersionString()).arg(lib.appVersion());
    const QString resources = lib.resDir();
    report +=
        QStringLiteral("Resources: %1%2\n")
            .arg(escapedLineText(resources), QFileInfo(resources).isDir() ? QString() : QStringLiteral(" (missing)"));
    for (const QString &tool : {QStringLiteral("ffmpeg"), QStringLiteral("mediainfo")}) {
        const QString path = toolPath(tool);
        const bool found = QFileInfo(path).isAbsolute() && QFileInfo(path).isExecutable();
        report += QStringLiteral("%1: %2\n").arg(tool, found ? escapedLineText(path) : QStringLiteral("not found"));
    }
    return report;
}

} // namespace tavrel
