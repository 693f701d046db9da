// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures from the resources folder, by name without extension ("toolbar_pause").
#include <QIcon>
#include <QString>

namespace tavrel {

// The SVG when this Qt can render SVG, with the PNG rendering of it as fallback; a null icon
// when neither file is among the resources.
QIcon namedImage(const QString &name);

// The desktop theme's icon of that name, or our own picture when the theme has none.
QIcon themedIcon(const QString &themeName, const QString &fallbackImage);

// The application's icon: the desktop theme's entry first, then the bundled picture.
QIcon applicationIcon();

} // namespace tavrel
