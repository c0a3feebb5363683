// The check marks of the main window's menu bar, by position. Window thread.
#pragma once

#include "menu_check_marks.h"

#include <windows.h>

namespace chimora {

class WindowMenuCheckMarks final : public MenuCheckMarks {
public:
    // `window` is read at each call, so the object may exist before the window does.
    explicit WindowMenuCheckMarks(const HWND& window) : window_(window) {}

    bool isItemChecked(int topPosition, int itemPosition) override;
    void setItemChecked(int topPosition, int itemPosition, bool checked) override;
    void redrawMenuBar() override;

private:
    HMENU dropDown(int topPosition) const;

    const HWND& window_;
};

} // namespace chimora
