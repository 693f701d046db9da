// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Running a tool as a child process: argument vector, standard output and error merged, read to
// the end before the wait, decoded as UTF-8 with replacement characters.
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace tavrel {

struct TaskResult
{
    std::optional<QString> output; // none when nothing ran
    int exitStatus = -1;
    bool started = false;
    QString startError; // why the program could not be started, when it could not
};

// Bytes that are not UTF-8 become U+FFFD; the rest of the text is kept.
QString decodeToolOutput(const QByteArray &bytes);

// argv[0] is the program, the rest its arguments.
TaskResult runTask(const QStringList &argv);
// Runs both programs at the same time and waits for both: the reports of one file come in the
// time of the slower.
std::pair<TaskResult, TaskResult> runTasksTogether(const QStringList &first, const QStringList &second);
std::optional<QString> runAsTask(const QStringList &argv);
std::optional<QString> runAsTaskWithTerminationStatus(const QStringList &argv, int *status);

// A tool's path: the resources folder first, then PATH; the bare name when found nowhere.
QString toolPath(const QString &name);

} // namespace tavrel
