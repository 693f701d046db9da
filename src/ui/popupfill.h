// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Filling a combo box from the controller's pop-up items, separators included, so that combo
// indexes and the controller's item indexes are the same.
#include "app/popupitems.h"

class QComboBox;

namespace tavrel {

void fillPopUp(QComboBox *popUp, const PopUpItems &items, int selectedIndex);

} // namespace tavrel
