// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QtGlobal>

#include "conversion/conversionsettings.h"
#include "conversion/jobstate.h"

class QObject;

namespace tavrel {

class ConversionJob;

// How a job's run ended, for what the queue does next.
enum class JobEnd {
    Finished,      // ffmpeg succeeded and the output passed its check
    Failed,        // ffmpeg failed, could not start, or the output check failed
    SourceMissing, // the source had gone when the job started
};

// What a job calls back on the controller, at fixed moments of its life.
class JobHost
{
public:
    virtual ~JobHost() = default;
    virtual qint64 jobCountWithState(qint32 state) const = 0;
    virtual void startNextJobInQueue() = 0;
    virtual void removeJob(ConversionJob *job) = 0;
    virtual void pauseContinueClicked(QObject *sender) = 0; // nullptr: no sender
    // QuitAfterConversion: ask the application to terminate (the controller's quit handling applies).
    virtual void terminateApplication() = 0;
    // Whether another listed job that has not ended yet reads the same source file, which
    // AutoRemove must then leave in place.
    virtual bool isSourceInUse(const ConversionJob *job) const
    {
        Q_UNUSED(job)
        return false;
    }
    // Whether a job that the free-space checks refuse ends Failed (an unattended batch) instead
    // of waiting in the queue for the user to make room.
    virtual bool refusalEndsJob() const { return false; }
    // The settings the job reads, as they stand now.
    virtual ConversionSettings conversionSettings() const = 0;
    // The job has ended and done its own part (state, explanation, progress); the host applies
    // the rules that follow. The job may be deleted from here on.
    virtual void jobEnded(ConversionJob *job, JobEnd end) = 0;
};

} // namespace tavrel
