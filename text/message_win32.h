// The program's message boxes: an error or information message, and the yes/no questions.
#pragma once

#include <windows.h>

#include <cstdint>

#include "text/language.h"

// Modal box over the owner with only OK: the message text (": number" appended when the number
// is not 0) under the caption text, in the language in use; the information icon for messages
// below 110, the error icon from 110 on.
void ShowMessage(HWND owner, TextId message, TextId caption, int32_t number);

// Yes/No box with the exclamation icon under the application title (string resource 103 of the
// running program). True only when the answer is Yes.
[[nodiscard]] bool AskYesNo(HWND owner, TextId question);
