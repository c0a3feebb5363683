#include "notice_boxes.h"

#include "wide_text.h"

namespace chimora {

void NoticeBoxes::showNotice(const std::string& text, const std::string& caption) {
    MessageBoxW(owner_, wideFromUtf8(text).c_str(), wideFromUtf8(caption).c_str(), MB_OK);
}

} // namespace chimora
