// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SIGTERM, SIGINT and SIGHUP turned into a call on the main thread, so that a killed or
// logged-out Tavrel still stops its ffmpeg and deletes unfinished output.
#include <functional>

namespace tavrel {

// Installs the handlers once; the callback runs on the main thread's event loop.
void onTerminationSignal(std::function<void(int signal)> callback);

} // namespace tavrel
