// Check marks by position. Items past the end of the drop-down and negative positions are
// refused here, so that no window implementation is ever asked about an item it lacks.
#include "menu_marks.h"

namespace chimora {
namespace {

// The drop-downs whose marks the program manages lie at top-level positions 0..2.
constexpr int LAST_MARKED_TOP_POSITION = 2;

bool isMarkablePosition(int itemPosition, int count, int topPosition) {
    return topPosition >= 0 && topPosition <= LAST_MARKED_TOP_POSITION && itemPosition >= 0 &&
           itemPosition < count;
}

} // namespace

void toggleMenuCheck(MenuCheckMarks& menu, int itemPosition, int count, int topPosition) {
    if (!isMarkablePosition(itemPosition, count, topPosition)) return;
    const bool wasChecked = menu.isItemChecked(topPosition, itemPosition);
    menu.setItemChecked(topPosition, itemPosition, !wasChecked);
    menu.redrawMenuBar();
}

void checkOneMenuItem(MenuCheckMarks& menu, int chosenPosition, int count, int topPosition) {
    if (!isMarkablePosition(chosenPosition, count, topPosition)) return;
    for (int itemPosition = 0; itemPosition < count; ++itemPosition) {
        menu.setItemChecked(topPosition, itemPosition, itemPosition == chosenPosition);
    }
    menu.redrawMenuBar();
}

} // namespace chimora
