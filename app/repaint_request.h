// Asks the window to repaint its whole client area, background erased, to show the clock text.
#pragma once

namespace chimora {

class RepaintRequest {
public:
    virtual ~RepaintRequest() = default;
    virtual void requestRepaint() = 0;
};

} // namespace chimora
