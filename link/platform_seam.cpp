#include "link/platform_seam.h"

PlatformSeam gPlatform{};

void Invalidate(Region region, bool erase) {
    if (gPlatform.invalidate != nullptr) gPlatform.invalidate(region, erase);
}
