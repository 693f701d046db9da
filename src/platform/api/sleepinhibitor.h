// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

#include <memory>

namespace tavrel::platform {

// A held idle-sleep assertion; destroying it releases the assertion.
class SleepAssertion
{
public:
    virtual ~SleepAssertion() = default;
};

class SleepInhibitor
{
public:
    virtual ~SleepInhibitor() = default;
    // Null when nothing could be held (no portal, no logind).
    virtual std::unique_ptr<SleepAssertion> acquire(const QString &reason) = 0;
};

} // namespace tavrel::platform
