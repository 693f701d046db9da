// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/color.h"

namespace tavrel {

Color makeColor(double red, double green, double blue, double alpha)
{
    return Color{red, green, blue, alpha};
}

Color makeColor255(double red, double green, double blue, double alpha)
{
    return Color{red / 255.0, green / 255.0, blue / 255.0, alpha / 255.0};
}

} // namespace tavrel
