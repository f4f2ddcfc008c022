// Puts every platform service back to its do-nothing defaults (between tests).
#pragma once

#include "link/port_service.h"
#include "link/storage_service.h"
#include "link/user_service.h"
#include "model/window_service.h"

inline void ResetServices() {
    gWindowService = {};
    gPortService = {};
    gUserService = {};
    gStorageService = {};
}
