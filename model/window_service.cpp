#include "model/window_service.h"

WindowService gWindowService;
