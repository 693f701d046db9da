// SPDX-License-Identifier: GPL-3.0-or-later
#include "privatebus.h"

// Before main, so no test reaches the desktop's session bus.
[[maybe_unused]] static const QString started = tavrel::test::startPrivateSessionBus();
