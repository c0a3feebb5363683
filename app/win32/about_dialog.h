// The about box (dialog 103): OK, Esc and the close box end it.
#pragma once

#include <windows.h>

namespace chimora {

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace chimora
