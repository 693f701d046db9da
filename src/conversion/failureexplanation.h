// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Why a conversion failed, told to the user on request, with the offer of a problem-report mail.
#include <QString>
#include <QStringList>

namespace tavrel {

inline const QString kConversionFailedTitle = QStringLiteral("Conversion Failed");
inline const QString kFullDiskMessage =
    QStringLiteral("Movie conversion failed because there is not enough free space left on the destination volume. "
                   "Please make sure your harddisk has enough free space before starting conversion");
inline const QString kSourceRemovedMessage = QStringLiteral(
    "Movie conversion failed because you've removed/renamed the source movie file or unmounted it's volume.");
// jobOutput of a job whose source had gone before launch.
inline const QString kUserRemovedMarker = QStringLiteral("USER_REMOVED");

enum class FailureKind { FullDisk, SourceRemoved, ToolProblem };
FailureKind failureKind(const QString &jobOutput);

// The subtitle hint; the subtitle file's wins over the embedded tracks'.
QString failureHint(qint64 disableBuiltinSubtitles, bool hasSubtitleTracks, bool hasSubtitleFile);
// The arguments joined with single blanks (the program path is not part of them).
QString commandLineText(const QStringList &arguments);
// The "Information" alert's message: hint, command line and the output's first 400 units.
QString failureInformationMessage(const QString &hint, const QString &commandLine, const QString &jobOutput);

struct FailureContext
{
    QString jobOutput;
    QStringList arguments;
    qint64 disableBuiltinSubtitles = 1;
    bool hasSubtitleTracks = false;
    bool hasSubtitleFile = false;
    QString outputProblem; // what a file that ffmpeg called finished lacks; replaces the hint
    bool offerLog = false; // the information alert gets a "Show Log" button
};

inline const QString kShowLogButton = QStringLiteral("Show Log");
enum class FailureExplanationChoice { Done, ShowLog };

// Shows the alert that fits the failure; "Send to support" opens the problem-report mail.
// ShowLog: the user asked for the job's log.
FailureExplanationChoice explainFailure(const FailureContext &context);

} // namespace tavrel
