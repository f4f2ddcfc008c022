#include "shell/upload_progress_win32.h"
#include "text/text_ids.h"

#include <commctrl.h>

#include "text/language.h"
#include "res/resource.h"
#include "shell/main_window_state_win32.h"
#include "shell/platform_win32.h"

namespace {
// The handle lives in the state of the dialog's owner, the main window.
HWND& ProgressDialogOf(HWND owner) { return StateOf(owner).uploadProgress; }
}  // namespace

INT_PTR CALLBACK UploadProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetDlgItemTextA(dialog, IDC_UPLOAD_TEXT, GetText(kTextSendingParameters));
            SetDlgItemTextA(dialog, IDC_UPLOAD_WAIT, GetText(kTextPleaseWait));
            SendDlgItemMessageA(dialog, IDC_UPLOAD_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, kParameterSetWords));
            SendDlgItemMessageA(dialog, IDC_UPLOAD_BAR, PBM_SETSTEP, 1, 0);
            return TRUE;
        case WM_SIZE:
            return TRUE;
        case PBM_SETSTEP:
        case PBM_STEPIT:
            // The bar's answer (the previous step or position) is the dialog's answer.
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT,
                              SendDlgItemMessageA(dialog, IDC_UPLOAD_BAR, message, wParam, lParam));
            return TRUE;
        case WM_NCDESTROY:
            // Destroyed with its owner or otherwise: never step a handle that is gone.
            if (HWND& held = ProgressDialogOf(GetWindow(dialog, GW_OWNER)); held == dialog) held = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

void UploadProgressDialog(HWND owner, UploadProgressAction action) {
    HWND& progress = ProgressDialogOf(owner);
    switch (action) {
        case UploadProgressAction::kOpen:
            if (progress == nullptr) {
                HINSTANCE module = gInstance != nullptr ? gInstance : GetModuleHandleA(nullptr);
                progress = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_UPLOAD_PROGRESS), owner,
                                              UploadProgressDialogProc, 0);
                if (progress != nullptr) ShowWindow(progress, SW_SHOW);
            }
            break;
        case UploadProgressAction::kStep:
            if (progress != nullptr) SendMessageA(progress, PBM_STEPIT, 0, 0);
            break;
        case UploadProgressAction::kClose:
            if (progress != nullptr) {
                HWND dialog = progress;
                progress = nullptr;
                DestroyWindow(dialog);
            }
            break;
    }
}
