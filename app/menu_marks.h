// The two ways the program changes its menu's check marks. Window thread only.
#pragma once

#include "menu_check_marks.h"

namespace chimora {

// Flips the check mark of the item at itemPosition (0..count-1) of the drop-down at
// topPosition (0..2), then redraws the menu bar. Any other position changes nothing.
void toggleMenuCheck(MenuCheckMarks& menu, int itemPosition, int count, int topPosition);

// Checks the item at chosenPosition of the drop-down at topPosition and clears the marks of the
// other items 0..count-1, then redraws the menu bar. Positions outside the menu change nothing.
void checkOneMenuItem(MenuCheckMarks& menu, int chosenPosition, int count, int topPosition);

} // namespace chimora
