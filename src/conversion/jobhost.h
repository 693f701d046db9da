// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QtGlobal>

#include "conversion/conversionsettings.h"
#include "conversion/jobstate.h"

namespace tavrel {

// How a job's run ended, for what the queue does next.
enum class JobEnd : quint8 {
    Finished,      // ffmpeg succeeded and the output passed its check
    Failed,        // ffmpeg failed, could not start, or the output check failed
    SourceMissing, // the source had gone when the job started
};

// What a job asks of the queue that holds it.
class JobHost
{
public:
    virtual ~JobHost() = default;
    // Whether a job that the free-space checks refuse ends Failed (an unattended batch) instead
    // of waiting in the queue for the user to make room.
    virtual bool refusalEndsJob() const { return false; }
    // The settings the job reads, as they stand now.
    virtual ConversionSettings conversionSettings() const = 0;
};

} // namespace tavrel
