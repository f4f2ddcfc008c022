// What the link's rules show the user: messages, the COM check marks, the wait cursor and the
// progress of a whole-set upload. The main window fills it in; tests record it. The defaults show
// nothing.
#pragma once

#include <cstdint>

#include "text/language.h"

enum class UploadProgressAction { kOpen, kStep, kClose };

struct UserService {
    void (*showMessage)(TextId message, TextId caption, int32_t number) = [](TextId, TextId, int32_t) {};
    void (*moveCheckMark)(int fromPort, int toPort) = [](int, int) {};  // fromPort 0: none
    void (*waitCursor)(bool on) = [](bool) {};
    void (*uploadProgress)(UploadProgressAction action) = [](UploadProgressAction) {};
};

extern UserService gUserService;
