#include "window_menu_check_marks.h"

namespace chimora {

HMENU WindowMenuCheckMarks::dropDown(int topPosition) const {
    return GetSubMenu(GetMenu(window_), topPosition);
}

bool WindowMenuCheckMarks::isItemChecked(int topPosition, int itemPosition) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    if (!GetMenuItemInfoW(dropDown(topPosition), static_cast<UINT>(itemPosition), TRUE, &item)) {
        return false;
    }
    return (item.fState & MFS_CHECKED) != 0;
}

void WindowMenuCheckMarks::setItemChecked(int topPosition, int itemPosition, bool checked) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    item.fState = checked ? MFS_CHECKED : 0;
    SetMenuItemInfoW(dropDown(topPosition), static_cast<UINT>(itemPosition), TRUE, &item);
}

void WindowMenuCheckMarks::redrawMenuBar() { DrawMenuBar(window_); }

} // namespace chimora
