#include "about_dialog.h"

namespace chimora {

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return TRUE; // the system puts the focus on the default button
    case WM_COMMAND: {
        // The close box and Esc arrive as IDCANCEL.
        const int id = LOWORD(wParam);
        if (id != IDOK && id != IDCANCEL) return FALSE;
        EndDialog(dialog, id);
        return TRUE;
    }
    default: return FALSE;
    }
}

} // namespace chimora
