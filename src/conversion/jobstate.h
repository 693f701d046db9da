// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QtGlobal>

namespace tavrel {

// Compared as numbers by the controller and the value transformers.
enum JobState : qint32 { Queued = 0, Converting = 1, Paused = 2, Finished = 3, Failed = 4 };

} // namespace tavrel
