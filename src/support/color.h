// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Colours as plain values.

namespace tavrel {

// Calibrated RGB colour, components 0.0–1.0 (the UI turns it into a QColor).
struct Color
{
    double red = 0, green = 0, blue = 0, alpha = 1;
    bool operator==(const Color &) const = default;
};
Color makeColor(double red, double green, double blue, double alpha);
Color makeColor255(double red, double green, double blue, double alpha);

} // namespace tavrel
