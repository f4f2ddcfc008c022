// A message box built from the language table: the text of a message TextId, the number that
// says what went wrong (when there is one), and a caption TextId. Portable: the Win32 layer
// shows what this composes (text/message_win32.h).
#pragma once

#include <cstdint>

#include "text/language.h"
#include "text/text_ids.h"

// Captions the callers pair with their messages.
constexpr TextId kCaptionCommunication = kTextCommunication;
constexpr TextId kCaptionError = kTextError;
constexpr TextId kCaptionScreenDump = kTextScreenDump;

// Messages below this TextId inform; from it on they report an error.
constexpr TextId kFirstErrorMessage = kTextExportFailed;

struct ComposedMessage {
    char text[160];  // the message text (at most 63 characters), ": ", and up to 11 digits
    char caption[64];
    bool errorIcon;  // false: the information icon
};

// In the language in use; a number of 0 appends nothing, any other is appended as ": %ld".
ComposedMessage ComposeMessage(TextId message, TextId caption, int32_t number);
