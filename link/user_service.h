// What the link's rules show the user: messages, the COM check marks, the wait cursor and the
// progress of a whole-set upload. An interface with a self (the shell's is its main window, tests'
// a recorder); the defaults show nothing.
#pragma once

#include <cstdint>

#include "text/language.h"

enum class UploadProgressAction { kOpen, kStep, kClose };

struct UserService {
    void* self = nullptr;  // handed to every member
    void (*showMessage)(void* self, TextId message, TextId caption, int32_t number) = [](void*, TextId,
                                                                                         TextId, int32_t) {};
    void (*moveCheckMark)(void* self, int fromPort, int toPort) = [](void*, int, int) {};  // fromPort 0: none
    void (*waitCursor)(void* self, bool on) = [](void*, bool) {};
    void (*uploadProgress)(void* self, UploadProgressAction action) = [](void*, UploadProgressAction) {};
};
