#include "driver_session.h"

#include <stdexcept>

namespace {

constexpr DWORD kSetCallback = 0x8100;
constexpr DWORD kReleaseRecord = 0x8101;

TDriverSession* Current = nullptr;

}  // namespace

TDriverSession::TDriverSession()
    : handle_(CreateFileA("\\\\.\\velkoro.vxd", 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr)),
      never_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  if (handle_ == INVALID_HANDLE_VALUE) {
    throw std::runtime_error("cannot open the driver (error " + std::to_string(GetLastError()) + ")");
  }
  Current = this;
}

TDriverSession::~TDriverSession() {
  Deregister();
  CloseHandle(handle_);
  CloseHandle(never_);
  Current = nullptr;
}

bool TDriverSession::Register() {
  DWORD routine = reinterpret_cast<DWORD>(&Routine), output = 0, returned = 0;
  return DeviceIoControl(handle_, kSetCallback, &routine, 4, &output, 4, &returned, nullptr) != FALSE;
}

bool TDriverSession::Deregister() {
  DWORD none = 0, output = 0, returned = 0;
  return DeviceIoControl(handle_, kSetCallback, &none, 4, &output, 4, &returned, nullptr) != FALSE;
}

bool TDriverSession::Release(const void* address) {
  DWORD value = reinterpret_cast<DWORD>(address), returned = 0;
  return DeviceIoControl(handle_, kReleaseRecord, &value, 4, nullptr, 0, &returned, nullptr) != FALSE;
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
