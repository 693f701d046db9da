// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tools that scans run, so that quitting can end them instead of waiting for them.
#include <QtGlobal>

namespace tavrel {

// Called by the tool runner around each child; answers false when tools may no longer start.
bool registerRunningTool(qint64 pid);
void unregisterRunningTool(qint64 pid);
bool mayStartTools();

// Sends the termination signal to every registered tool and refuses new ones.
void terminateRunningTools();
// Lets tools run again (a new start of the application's life).
void allowRunningTools();

} // namespace tavrel
