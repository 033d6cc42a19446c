// velkoro.vxd: the monitor driver as Wine's VxD loader sees it. Opening
// "\\.\velkoro.vxd" loads this DLL, and every DeviceIoControl call on that
// handle with a control code whose upper word is zero comes to the exported
// DeviceIoControl below, without the handle.
#include <windows.h>

#include "change_record.h"
#include "monitor_link.h"
#include "record_delivery.h"

HMODULE DriverModule = nullptr;

namespace {

CRITICAL_SECTION ControlLock;
TMonitorLink Link;

bool ReadAddress(const void* in, DWORD inSize, uintptr_t& address) {
  if (!in || inSize < sizeof(TDriverAddress)) return false;
  TDriverAddress value;
  memcpy(&value, in, sizeof value);
  address = value;
  return true;
}

// With an address: records go to that routine, as APCs to the calling
// thread, once every watch is in place. With 0: no record goes anywhere any
// more, and the monitor ends.
BOOL SetCallback(uintptr_t address) {
  if (address == 0) {
    if (Delivery().Registered()) {
      Delivery().Unregister();
      Link.Stop();
    }
    return TRUE;
  }
  if (!Delivery().Register(reinterpret_cast<TChangeRoutine>(address))) {
    SetLastError(ERROR_BUSY);  // one registration at a time
    return FALSE;
  }
  if (!Link.Start(Delivery().Generation())) {
    Delivery().Unregister();
    SetLastError(ERROR_NOT_READY);  // the monitor could not be started
    return FALSE;
  }
  return TRUE;
}

BOOL AnswerSpellings(uintptr_t address, void* out, DWORD outSize, DWORD* bytesReturned) {
  THostSpellings spellings;
  if (!out || outSize < sizeof spellings) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (!Delivery().Spellings(reinterpret_cast<const void*>(address), spellings)) {
    SetLastError(ERROR_INVALID_PARAMETER);  // not a record in the program's hands
    return FALSE;
  }
  memcpy(out, &spellings, sizeof spellings);
  if (bytesReturned) *bytesReturned = sizeof spellings;
  return TRUE;
}

}  // namespace

extern "C" BOOL WINAPI VxdDeviceIoControl(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                                          DWORD* bytesReturned, OVERLAPPED* overlapped) {
  (void)overlapped;
  if (bytesReturned) *bytesReturned = 0;
  uintptr_t address = 0;
  const bool known = code == kSetCallback || code == kReleaseRecord || code == kHostSpellings;
  if (!known || !ReadAddress(in, inSize, address)) {
    SetLastError(known ? ERROR_INVALID_PARAMETER : ERROR_INVALID_FUNCTION);
    return FALSE;
  }
  if (code == kReleaseRecord) {
    Delivery().Release(reinterpret_cast<const void*>(address));
    return TRUE;
  }
  if (code == kHostSpellings) return AnswerSpellings(address, out, outSize, bytesReturned);
  EnterCriticalSection(&ControlLock);
  const BOOL done = SetCallback(address);
  LeaveCriticalSection(&ControlLock);
  if (done && out && outSize >= sizeof(uint32_t)) {
    memset(out, 0, sizeof(uint32_t));
    if (bytesReturned) *bytesReturned = sizeof(uint32_t);
  }
  return done;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    DriverModule = instance;
    DisableThreadLibraryCalls(instance);
    InitializeCriticalSection(&ControlLock);
  }
  return TRUE;
}
