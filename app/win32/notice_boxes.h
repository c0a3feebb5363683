// The re-acquire command's notices as modal message boxes of the main window: OK button, no
// icon. Window thread.
#pragma once

#include "clock_commands.h"

#include <windows.h>

namespace chimora {

class NoticeBoxes final : public MessageBoxes {
public:
    // `owner` is read at each call, so the object may exist before the window does.
    explicit NoticeBoxes(const HWND& owner) : owner_(owner) {}
    void showNotice(const std::string& text, const std::string& caption) override;

private:
    const HWND& owner_;
};

} // namespace chimora
