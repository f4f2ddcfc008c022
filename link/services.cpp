#include "link/port_service.h"
#include "link/storage_service.h"
#include "link/user_service.h"

PortService gPortService;
UserService gUserService;
StorageService gStorageService;
