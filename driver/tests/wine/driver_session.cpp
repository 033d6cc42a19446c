#include "driver_session.h"

#include <stdexcept>

#include "driver_abi.h"
#include "driver_device.h"

namespace {

constexpr DWORD kSetCallback = 0x8100;
constexpr DWORD kReleaseRecord = 0x8101;
constexpr DWORD kHostSpellings = 0x8102;

TDriverSession* Current = nullptr;

}  // namespace

TDriverSession::TDriverSession()
    : handle_(OpenDriverDevice()),
      never_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  if (handle_ == INVALID_HANDLE_VALUE) {
    throw std::runtime_error("cannot open the driver (error " + std::to_string(GetLastError()) + ")");
  }
  Current = this;
}

TDriverSession::~TDriverSession() {
  Deregister();
  CloseDriverDevice(handle_);
  CloseHandle(never_);
  Current = nullptr;
}

bool TDriverSession::Register() {
  TDriverAddress routine = reinterpret_cast<TDriverAddress>(&Routine);
  DWORD output = 0, returned = 0;
  return DriverDeviceControl(handle_, kSetCallback, &routine, sizeof routine, &output, 4, &returned) != FALSE;
}

bool TDriverSession::Deregister() {
  TDriverAddress none = 0;
  DWORD output = 0, returned = 0;
  return DriverDeviceControl(handle_, kSetCallback, &none, sizeof none, &output, 4, &returned) != FALSE;
}

bool TDriverSession::Release(const void* address) {
  TDriverAddress value = reinterpret_cast<TDriverAddress>(address);
  DWORD returned = 0;
  return DriverDeviceControl(handle_, kReleaseRecord, &value, sizeof value, nullptr, 0, &returned) != FALSE;
}

bool TDriverSession::Spellings(const void* address, THostSpellings& spellings) {
  TDriverAddress value = reinterpret_cast<TDriverAddress>(address);
  DWORD returned = 0;
  return DriverDeviceControl(handle_, kHostSpellings, &value, sizeof value, &spellings, sizeof spellings,
                             &returned) &&
         returned == sizeof spellings;
}

DWORD WINAPI TDriverSession::Routine(void* address) {
  const auto* record = static_cast<const TRecordLayout*>(address);
  Current->Received.push_back({record->EventCode, record->SubCode, record->Path,
                               record->EventCode == 37 ? record->NewPath : "", address});
  if (!Current->KeepRecords) Current->Release(address);
  if (Current->DeregisterInRoutine) {
    Current->DeregisterInRoutine = false;
    Current->Deregister();
  }
  return 0;
}

bool TDriverSession::WaitAlertably(DWORD milliseconds, const std::function<bool()>& done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= milliseconds) return false;
    WaitForSingleObjectEx(never_, milliseconds - spent, TRUE);
  }
  return true;
}

std::vector<TReceivedRecord> TDriverSession::ReceivedUnder(const std::string& prefix) const {
  std::vector<TReceivedRecord> under;
  for (const TReceivedRecord& record : Received) {
    if (record.Path.compare(0, prefix.size(), prefix) == 0) under.push_back(record);
  }
  return under;
}
