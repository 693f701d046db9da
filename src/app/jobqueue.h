#pragma once
// Plain rules of the job queue.
#include <QString>

namespace tavrel {

// The main window's title: the application name, " (Paused)" or a single space, and
// " [N Job(s), M Queued]" when there are jobs.
QString queueWindowTitle(const QString &appName, bool paused, qsizetype jobCount, qsizetype queuedCount);

} // namespace tavrel
