#include "driver_device.h"

#ifndef _WIN64

HANDLE OpenDriverDevice() {
  return CreateFileA("\\\\.\\velkoro.vxd", 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

BOOL DriverDeviceControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* returned) {
  return DeviceIoControl(device, code, in, inSize, out, outSize, returned, nullptr);
}

void CloseDriverDevice(HANDLE device) { CloseHandle(device); }

#else

// Wine's VxD loader serves 32-bit processes only: in a 64-bit one,
// CreateFileA on "\\.\velkoro.vxd" fails with error 2. So this build does
// what that loader does: it loads the driver file by the DLL search order
// (the program's folder, then the system directory, where the installation
// puts it) and calls its one export, DeviceIoControl, without a handle. The
// device is the driver's module.
namespace {

using TDriverControl = BOOL(WINAPI*)(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned,
                                     OVERLAPPED* overlapped);

TDriverControl ControlOf(HANDLE device) {
  if (device == INVALID_HANDLE_VALUE || !device) return nullptr;
  return reinterpret_cast<TDriverControl>(
      reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(device), "DeviceIoControl")));
}

}  // namespace

HANDLE OpenDriverDevice() {
  const HMODULE driver = LoadLibraryA("velkoro.vxd");
  if (!driver) return INVALID_HANDLE_VALUE;
  if (!ControlOf(driver)) {
    FreeLibrary(driver);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return reinterpret_cast<HANDLE>(driver);
}

BOOL DriverDeviceControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* returned) {
  // As DeviceIoControl does on a handle that is not open.
  const TDriverControl control = ControlOf(device);
  if (!control) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return control(code, in, inSize, out, outSize, returned, nullptr);
}

void CloseDriverDevice(HANDLE device) {
  // A hand-over the driver queued before its routine was removed may still
  // wait for this thread. It finds no registration and hands nothing over,
  // but it is driver code: it must run before that code is unloaded.
  SleepEx(0, TRUE);
  FreeLibrary(reinterpret_cast<HMODULE>(device));
}

#endif
