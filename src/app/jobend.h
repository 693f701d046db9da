// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the queue does after each job, in this order: AutoRemove disposes of a finished job's
// source, AutoClean takes the finished job off the list, the next job starts (the queue's), and
// a notification says how the job ended. After the whole queue: QuitAfterConversion (the queue's).
#include <functional>

#include "conversion/jobhost.h"

namespace tavrel {

class ConversionJob;

// What follows a job's run that got as far as ffmpeg, in the order above; a full disk is also
// explained at once. `sourceInUse`: another listed job still reads the source, which then stays.
void afterJob(ConversionJob *job, JobEnd end, bool sourceInUse, const std::function<void()> &startNext);

} // namespace tavrel
