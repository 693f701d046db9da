// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What "tavrel --version" prints: the version, the resources folder and the tools found.
#include <QString>

namespace tavrel {

// Needs a QCoreApplication with the application's identity set.
QString versionReport();

} // namespace tavrel
