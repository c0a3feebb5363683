// The check marks of the main window's menu, addressed by position: the top-level entry
// (1 "機能", 2 "音量") and the item within its drop-down. Each window implements it.
#pragma once

namespace chimora {

class MenuCheckMarks {
public:
    virtual ~MenuCheckMarks() = default;
    virtual bool isItemChecked(int topPosition, int itemPosition) = 0;
    // Replaces the item's whole state: checked, or the empty state.
    virtual void setItemChecked(int topPosition, int itemPosition, bool checked) = 0;
    // Shows the changed marks; called once after each change of one or more marks.
    virtual void redrawMenuBar() = 0;
};

} // namespace chimora
