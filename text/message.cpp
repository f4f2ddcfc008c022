#include "text/message.h"

#include <cstdio>

ComposedMessage ComposeMessage(TextId message, TextId caption, int32_t number) {
    ComposedMessage m{};
    const char* text = GetText(message);
    if (number != 0)
        std::snprintf(m.text, sizeof m.text, "%s: %ld", text, static_cast<long>(number));
    else
        std::snprintf(m.text, sizeof m.text, "%s", text);
    std::snprintf(m.caption, sizeof m.caption, "%s", GetText(caption));
    m.errorIcon = message >= kFirstErrorMessage;
    return m;
}
