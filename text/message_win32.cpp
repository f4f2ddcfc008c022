#include "text/message_win32.h"

#include "text/message.h"
#include "res/resource.h"

namespace {

constexpr int kTitleSize = 101;  // string resources of up to 100 characters

}  // namespace

void ShowMessage(HWND owner, TextId message, TextId caption, int32_t number) {
    const ComposedMessage m = ComposeMessage(message, caption, number);
    MessageBoxA(owner, m.text, m.caption, MB_OK | (m.errorIcon ? MB_ICONHAND : MB_ICONINFORMATION));
}

bool AskYesNo(HWND owner, TextId question) {
    char title[kTitleSize] = "";
    LoadStringA(GetModuleHandleA(nullptr), IDS_CAPTION, title, kTitleSize);
    return MessageBoxA(owner, GetText(question), title, MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}
