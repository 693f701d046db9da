// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Blocks run on the Qt main loop, now or after a delay.
#include <QtGlobal>

#include <functional>

namespace tavrel {

// Single-precision delay conversion: seconds * 1e9f, truncated toward zero.
qint64 delayToNanoseconds(float seconds);

// The main queue is the QCoreApplication's thread. Without an application object the calls drop
// the block and log an error.
using Block = std::function<void()>;
void dispatch_async_main(Block block); // runs on a later turn of the event loop, never inline
// Waits for the main thread. No main-thread check: called on the main thread it deadlocks, so
// a caller there runs the block directly.
void dispatch_sync_main(Block block);
void dispatch_after_main(float seconds, Block block); // no earlier than the delay; <= 0: next turn

} // namespace tavrel
