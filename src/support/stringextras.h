// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text as it is shown: printed lines, alerts and dialogs.
#include <QString>

namespace tavrel {

// The text with its control characters ("\n", "\x1b", "\u2028") and bidirectional formatting
// characters ("\u202e") escaped, so that a file name can neither break a printed line, drive the
// terminal, nor show as another name. Every line the batch prints and the system log take it.
QString escapedLineText(const QString &text);

// A name cut in its middle to at most `maximum` UTF-16 units, an ellipsis standing for the cut:
// its start and its extension stay, and an alert or a dialog stays readable whatever it holds.
inline constexpr qsizetype kShownNameLength = 120;
QString elidedName(const QString &name, qsizetype maximum = kShownNameLength);

} // namespace tavrel
