// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The job list as assistive technology sees it: a list of rows named after their movies, each
// with its status line as description and the row's buttons as pressable children with names.
// The buttons are painted by the delegate, so without this they would exist only as tooltips.

namespace tavrel {

// Installs the interface factory for JobListView (once per process).
void installJobListAccessibility();

} // namespace tavrel
