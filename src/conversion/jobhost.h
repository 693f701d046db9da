#pragma once
#include <QtGlobal>

#include "conversion/jobstate.h"

class QObject;

namespace tavrel {

class ConversionJob;

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
};

} // namespace tavrel
