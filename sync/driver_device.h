// The monitor driver as a device: opened, given its control codes, closed.
// The 32-bit program opens it as Windows 95 opens a dynamically loaded VxD;
// a 64-bit build loads the same driver file itself (see driver_device.cpp).
#pragma once

#include <windows.h>

// INVALID_HANDLE_VALUE when the driver cannot be loaded.
HANDLE OpenDriverDevice();
BOOL DriverDeviceControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* returned);
// Called on the thread that registered a routine, once it is removed.
void CloseDriverDevice(HANDLE device);
