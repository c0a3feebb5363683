// The program keeps its own texts in UTF-8 (main_menu.h, clock_commands.h) and shows them
// through the wide-character API, so that they read correctly whatever the ANSI code page.
#pragma once

#include <string>
#include <string_view>

namespace chimora {

// UTF-16 of a UTF-8 text; invalid sequences become U+FFFD.
std::wstring wideFromUtf8(std::string_view text);

} // namespace chimora
