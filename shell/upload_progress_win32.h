// The modeless progress dialog of a whole-set upload (dialog resource 135): a progress bar over
// the 294 words and two texts. Used only on the UI thread.
#pragma once

#include <windows.h>

#include "link/command_queue.h"
#include "link/user_service.h"

// Open creates the dialog, owned by owner, unless it exists; step advances the bar by one; close
// destroys it and forgets its handle.
void UploadProgressDialog(HWND owner, UploadProgressAction action);

INT_PTR CALLBACK UploadProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
