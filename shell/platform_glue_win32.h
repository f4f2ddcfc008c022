// Points the portable core's seams at the Win32 layer (once, in WM_CREATE, before the port opens).
#pragma once

void InstallPlatformSeams();
