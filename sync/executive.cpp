#include "executive.h"

#include <string>

#include "driver_device.h"
#include "drive_types.h"
#include "exceptions.h"
#include "memory_db.h"
#include "program_state.h"
#include "resource.h"
#include "resource_strings.h"

HANDLE DriverHandle = INVALID_HANDLE_VALUE;
std::exception_ptr TExecutive::callbackFailure_;

namespace {

constexpr int32_t kDelete = 31;       // IFSFN_DELETE
constexpr int32_t kDirectory = 32;    // IFSFN_DIR: SubCode 0 CREATE_DIR, else DELETE_DIR
constexpr int32_t kOpen = 36;         // IFSFN_OPEN
constexpr int32_t kRename = 37;       // IFSFN_RENAME
constexpr int32_t kCreateDirectory = 0;

EInitialization DriverError(unsigned id) {
  const std::string product = ProductName();
  return EInitialization(ResourceText(id, {kDriverFileName, product, product}));
}

static_assert(kUnknownSpellings == kSpellingsNotKnown, "the driver and the database mean the same by \"not known\"");

// The driver's count of host spellings for one record, asked only when a
// change operation needs it (names that differ only in case may be at
// stake), and at most once. A record the driver did not hand over (or a
// driver that cannot tell) answers "not known", and the operations then
// act as they would without twins.
class TDriverSpellings : public THostSpellingSource {
 public:
  explicit TDriverSpellings(const TChangeRecord* record) : record_(record) {}
  uint32_t OfPath() override { return Answer().Path; }
  uint32_t OfNewPath() override { return Answer().NewPath; }

 private:
  const THostSpellings& Answer() {
    if (!asked_) {
      asked_ = true;
      const TChangeRecord* record = record_;
      DWORD returned = 0;
      if (!DriverDeviceControl(DriverHandle, CTL_HOST_SPELLINGS, &record, sizeof record, &answer_, sizeof answer_,
                               &returned) ||
          returned != sizeof answer_) {
        answer_ = THostSpellings();
      }
    }
    return answer_;
  }

  const TChangeRecord* record_;
  bool asked_ = false;
  THostSpellings answer_;
};

void ApplyChange(const TChangeRecord& record) {
  TDriverSpellings spellings(&record);
  switch (record.EventCode) {
    case kDelete: Database->DeleteFiles(record.Path, &spellings); break;
    case kDirectory:
      if (record.SubCode == kCreateDirectory) {
        Database->AddDirectory(record.Path, &spellings);
      } else {
        Database->DeleteDirectory(record.Path, &spellings);
      }
      break;
    case kOpen: Database->AddFile(record.Path, &spellings); break;
    case kRename: Database->RenamePath(record.Path, record.NewPath, &spellings); break;
    default: break;
  }
}

}  // namespace

DWORD WINAPI ChangeCallback(TChangeRecord* record) {
  try {
    ApplyChange(*record);
  } catch (...) {
    if (!TExecutive::callbackFailure_) TExecutive::callbackFailure_ = std::current_exception();
  }
  DWORD returned = 0;
  DriverDeviceControl(DriverHandle, CTL_RELEASE_RECORD, &record, sizeof record, nullptr, 0, &returned);
  return 0;
}

TExecutive::TExecutive() {
  SetPriority(THREAD_PRIORITY_IDLE);
  Resume();
}

void TExecutive::Execute() {
  ReuseDriveTypesOnThisThread();
  DriverHandle = OpenDriverDevice();
  if (DriverHandle == INVALID_HANDLE_VALUE) throw DriverError(IDS_LOAD_VXD_FAILED);

  TDriverAddress callback = reinterpret_cast<TDriverAddress>(&ChangeCallback);
  DWORD output = 0;
  DWORD returned = 0;
  if (!DriverDeviceControl(DriverHandle, CTL_SET_CALLBACK, &callback, sizeof callback, &output, sizeof output,
                           &returned)) {
    throw DriverError(IDS_INIT_VXD_FAILED);
  }

  for (;;) {
    const DWORD result = WaitForSingleObjectEx(ShutdownEvent, INFINITE, TRUE);
    if (callbackFailure_) break;
    if (result == WAIT_OBJECT_0) break;
    // A wait that fails (no shutdown event) would fail again at once,
    // forever: the link ends instead, and the database stays as it is.
    if (result == WAIT_FAILED) break;
  }

  TDriverAddress none = 0;
  DriverDeviceControl(DriverHandle, CTL_SET_CALLBACK, &none, sizeof none, &output, sizeof output, &returned);
  CloseDriverDevice(DriverHandle);
  if (callbackFailure_) std::rethrow_exception(callbackFailure_);
}
