// Repaints the main window's whole client area, background erased. Window thread.
#pragma once

#include "repaint_request.h"

#include <windows.h>

namespace chimora {

class WindowRepaint final : public RepaintRequest {
public:
    // `window` is read at each call, so the object may exist before the window does.
    explicit WindowRepaint(const HWND& window) : window_(window) {}
    void requestRepaint() override { InvalidateRect(window_, nullptr, TRUE); }

private:
    const HWND& window_;
};

} // namespace chimora
