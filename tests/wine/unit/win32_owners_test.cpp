// The Win32 side's small owners: a handle closed once by its last owner, a
// file written whole or not at all as its disposition says, and the bounded
// wait for a host program's sign that it is ready.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>

#include "host_folder.h"
#include "host_program.h"
#include "owned_handle.h"
#include "whole_file.h"

namespace {

bool IsOpen(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != FALSE;
}

HANDLE NewEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

std::string FileText(const std::string& path) {
  const TOwnedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.Valid()) return "(none)";
  char buffer[256];
  DWORD got = 0;
  ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr);
  return std::string(buffer, got);
}

TEST(OwnedHandle, ClosesWhatItHoldsOnceAndNothingHandedOver) {
  HANDLE raw;
  {
    const TOwnedHandle owner(NewEvent());
    raw = owner.Get();
    ASSERT_TRUE(owner.Valid());
  }
  EXPECT_FALSE(IsOpen(raw));

  TOwnedHandle first(NewEvent());
  raw = first.Get();
  TOwnedHandle second(std::move(first));
  EXPECT_FALSE(first.Valid());
  EXPECT_EQ(second.Get(), raw);
  const HANDLE released = second.Release();
  second.Reset();
  EXPECT_TRUE(IsOpen(released));
  CloseHandle(released);
}

TEST(OwnedHandle, AResetClosesTheOldHandleAndHoldsTheNew) {
  TOwnedHandle owner(NewEvent());
  const HANDLE old = owner.Get();
  owner.Reset(NewEvent());
  EXPECT_FALSE(IsOpen(old));
  EXPECT_TRUE(IsOpen(owner.Get()));
}

TEST(WholeFile, ANewFileIsRefusedWhereOneIsAndAReplacementTakesTheWholeFile) {
  THostFolder folder;
  const std::string path = folder.Win32Path("report.txt");
  const std::wstring widePath(path.begin(), path.end());
  EXPECT_EQ(WriteWholeFile(widePath, "a longer first text", CREATE_NEW), TWholeFileWrite::Written);
  EXPECT_EQ(WriteWholeFile(widePath, "other", CREATE_NEW), TWholeFileWrite::NotCreated);
  EXPECT_EQ(FileText(path), "a longer first text");
  EXPECT_EQ(WriteWholeFile(path.c_str(), "short", CREATE_ALWAYS), TWholeFileWrite::Written);
  EXPECT_EQ(FileText(path), "short");
  EXPECT_EQ(WriteWholeFile(folder.Win32Path("no such folder\\x.txt").c_str(), "x", CREATE_ALWAYS),
            TWholeFileWrite::NotCreated);
}

TEST(HostProgramWait, EndsWhenReadyWhenGivenUpAndAtTheBound) {
  int looks = 0;
  EXPECT_TRUE(THostProgram::WaitUntilReady([&] { return ++looks == 3; }, [] { return false; }, 10000));
  EXPECT_EQ(looks, 3);

  const DWORD givenUpAt = GetTickCount();
  EXPECT_FALSE(THostProgram::WaitUntilReady([] { return false; }, [] { return true; }, 10000));
  EXPECT_LT(GetTickCount() - givenUpAt, 5000u) << "a program that gave up is not waited for";

  const DWORD boundFrom = GetTickCount();
  EXPECT_FALSE(THostProgram::WaitUntilReady([] { return false; }, [] { return false; }, 200));
  EXPECT_GE(GetTickCount() - boundFrom, 150u);
}

}  // namespace
