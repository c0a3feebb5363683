// A message the main window answers about its own menu: sent with a command id as the first
// parameter, it returns 1 when that item carries a check mark, 0 when it does not and -1 when
// the menu has no such item. Menus are private to their process under Wine, so a test program
// asks the window this way instead of reading the menu itself.
#pragma once

#include <windows.h>

namespace chimora {

constexpr UINT WM_QUERY_MENU_MARK = WM_APP + 1;

} // namespace chimora
