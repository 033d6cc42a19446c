#include "monitor_link.h"

#include <cstring>

#include "monitor_protocol.h"
#include "record_delivery.h"
#include "whole_file.h"

namespace mp = monitor_protocol;

extern HMODULE DriverModule;

namespace {

// How long the monitor may take to watch every directory of every fixed
// drive (about 3 s for a million files), and to end when asked.
constexpr DWORD kReadyWaitMs = 120000;
constexpr DWORD kStopWaitMs = 5000;

THostSpellings SpellingsOf(const mp::TRecordHeader& header) {
  THostSpellings spellings;
  if (header.Spellings != mp::kSpellingsUnknown) spellings.Path = header.Spellings;
  if (header.NewSpellings != mp::kSpellingsUnknown) spellings.NewPath = header.NewSpellings;
  return spellings;
}

}  // namespace

bool TMonitorLink::Start(uint32_t generation) {
  drives_ = FixedDriveFolders();
  if (drives_.empty()) return false;

  folder_ = MakeRunFolder("velkoro-monitor");
  if (folder_.empty()) return false;
  const std::wstring folder = Win32PathOfHost(folder_);
  std::string roots;
  for (const THostDrive& drive : drives_) roots += drive.HostFolder + '\0';
  const std::wstring program = FileBesideModule(DriverModule, L"velkoro-monitor");
  // The monitor is given its folder as the host names it (ASCII).
  if (WriteWholeFile(folder + L"\\roots", roots, CREATE_NEW) != TWholeFileWrite::Written ||
      !THostProgram::Start(program, std::wstring(folder_.begin(), folder_.end()))) {
    Cleanup();
    return false;
  }

  const std::wstring recordsPath = folder + L"\\records";
  const std::wstring controlPath = folder + L"\\control";
  // The FIFOs appear once every directory is watched; a monitor that fails
  // removes its folder instead.
  const std::wstring rootsPath = folder + L"\\roots";
  if (!THostProgram::WaitUntilReady([&] { return HostFileExists(recordsPath) && HostFileExists(controlPath); },
                                    [&] { return !HostFileExists(rootsPath); }, kReadyWaitMs)) {
    Cleanup();
    return false;
  }
  records_.Reset(CreateFileW(recordsPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr));
  if (!records_.Valid() || !monitor_.Connect(controlPath)) {
    Cleanup();
    return false;
  }

  ready_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  stopping_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  auto* reader = new TReader{records_.Get(), ready_.Get(), stopping_.Get(), generation, drives_};
  reader_.Reset(CreateThread(nullptr, 0, ReaderMain, reader, 0, nullptr));
  if (!reader_.Valid()) {
    delete reader;
    Cleanup();
    return false;
  }
  // Ready once every directory is watched: a change made after the
  // registration is then never missed. The reader ends first when the
  // monitor does.
  HANDLE waits[2] = {ready_.Get(), reader_.Get()};
  if (WaitForMultipleObjects(2, waits, FALSE, kReadyWaitMs) != WAIT_OBJECT_0) {
    Stop();
    return false;
  }
  return true;
}

DWORD WINAPI TMonitorLink::ReaderMain(void* reader) {
  ReadRecords(*static_cast<TReader*>(reader));
  delete static_cast<TReader*>(reader);
  return 0;
}

void TMonitorLink::ReadRecords(const TReader& reader) {
  std::string pending;
  std::vector<char> buffer(256 * 1024);
  TRecordBatch batch;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(reader.Records, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) || got == 0) {
      return;  // the monitor has ended
    }
    pending.append(buffer.data(), got);
    size_t used = 0;
    while (pending.size() - used >= sizeof(mp::TRecordHeader)) {
      mp::TRecordHeader header;
      std::memcpy(&header, pending.data() + used, sizeof header);
      const size_t total = sizeof header + header.PathLength + header.NewPathLength;
      if (pending.size() - used < total) break;
      Dispatch(reader, pending.data() + used, batch);
      used += total;
    }
    pending.erase(0, used);
    // Everything one read brought goes over at once. A batch for a
    // registration that was removed meanwhile is dropped; the reader goes
    // on until the monitor ends.
    Delivery().Deliver(reader.Generation, batch, reader.Stopping);
  }
}

void TMonitorLink::Dispatch(const TReader& reader, const char* record, TRecordBatch& batch) {
  mp::TRecordHeader header;
  std::memcpy(&header, record, sizeof header);
  if (header.EventCode == mp::kReady) {
    SetEvent(reader.Ready);
    return;
  }
  if (header.Root >= reader.Drives.size()) return;
  const char letter = reader.Drives[header.Root].Letter;
  const char* text = record + sizeof header;
  std::string path = AnsiDrivePath(letter, std::string(text, header.PathLength));
  std::string newPath;
  if (header.EventCode == mp::kRenamed) {
    newPath = AnsiDrivePath(letter, std::string(text + header.PathLength, header.NewPathLength));
  }
  batch.push_back(std::make_unique<TOutgoingRecord>(header.EventCode, header.SubCode, std::move(path),
                                                    std::move(newPath), SpellingsOf(header)));
}

void TMonitorLink::Stop() {
  if (stopping_.Valid()) SetEvent(stopping_.Get());
  // The monitor ends when the control FIFO's writer goes, and the reader
  // when the monitor's end closes the records FIFO.
  monitor_.Stop();
  if (reader_.Valid()) {
    if (WaitForSingleObject(reader_.Get(), kStopWaitMs) != WAIT_OBJECT_0) {
      // A reader that did not end (a monitor that hangs) keeps its
      // handles, and delivers nothing: its registration has gone. Its code
      // must outlive it: a 64-bit program unloads the driver once the link
      // closes, so the driver stays loaded for good from now on.
      records_.Release();
      ready_.Release();
      stopping_.Release();
      HMODULE self = nullptr;
      GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                         reinterpret_cast<LPCWSTR>(&TMonitorLink::ReaderMain), &self);
    }
    reader_.Reset();
  }
  Cleanup();
}

void TMonitorLink::Cleanup() {
  monitor_.Stop();
  records_.Reset();
  ready_.Reset();
  stopping_.Reset();
  // The monitor removes its folder as it ends; whatever is left goes here.
  if (!folder_.empty()) {
    const std::wstring folder = Win32PathOfHost(folder_);
    for (const wchar_t* name : {L"\\roots", L"\\records", L"\\control"}) DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
  }
}
