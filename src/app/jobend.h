// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What follows the end of a job, in this order: AutoClean, AutoRemove, the next job, the
// notification, QuitAfterConversion. One handler for every host of jobs.
#include "conversion/jobhost.h"

namespace tavrel {

void handleJobEnd(JobHost &queue, ConversionJob *job, JobEnd end);

} // namespace tavrel
