// Drive definitions through Wine's mount manager, as the installation tool
// and the database tests make them.
#include <gtest/gtest.h>

#include "host_folder.h"
#include "test_drive.h"

namespace {

struct TDriveTypeCase {
  const char* Name;
  UINT Type;
};
void PrintTo(const TDriveTypeCase& value, std::ostream* out) { *out << value.Name; }

class MountManagerTest : public ::testing::TestWithParam<TDriveTypeCase> {};

TEST_P(MountManagerTest, DefinesTheLetterOverTheHostFolderReadsItBackAndRemovesIt) {
  THostFolder folder;
  folder.MakeFile("probe.txt");
  const char letter = FreeDriveLetter();
  const std::string root = std::string(1, letter) + ":\\";

  ASSERT_EQ(DefineUnixDrive(letter, GetParam().Type, folder.HostPath()), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(GetDriveTypeA(root.c_str()), GetParam().Type);
  TUnixDrive defined;
  ASSERT_TRUE(QueryUnixDrive(letter, defined));
  EXPECT_EQ(defined.Type, GetParam().Type);
  EXPECT_EQ(defined.HostFolder, folder.HostPath());
  EXPECT_NE(GetFileAttributesA((root + "probe.txt").c_str()), INVALID_FILE_ATTRIBUTES);

  ASSERT_EQ(DefineUnixDrive(letter, DRIVE_NO_ROOT_DIR, ""), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(GetDriveTypeA(root.c_str()), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
  EXPECT_FALSE(QueryUnixDrive(letter, defined));
}

INSTANTIATE_TEST_SUITE_P(EveryType, MountManagerTest,
                         ::testing::Values(TDriveTypeCase{"Removable", DRIVE_REMOVABLE},
                                           TDriveTypeCase{"Fixed", DRIVE_FIXED},
                                           TDriveTypeCase{"Network", DRIVE_REMOTE},
                                           TDriveTypeCase{"CdRom", DRIVE_CDROM},
                                           TDriveTypeCase{"RamDisk", DRIVE_RAMDISK}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(MountManager, ADriveNeedsAHostFolder) {
  const char letter = FreeDriveLetter();
  EXPECT_EQ(DefineUnixDrive(letter, DRIVE_FIXED, ""), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(DriveTypeOf(letter), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

TEST(TestDrive, RefusesTheHostRoot) {
  EXPECT_THROW(TTestDrive(DRIVE_FIXED, "/"), std::invalid_argument);
  EXPECT_THROW(TTestDrive(DRIVE_FIXED, "//"), std::invalid_argument);
  EXPECT_THROW(TTestDrive(DRIVE_FIXED, "relative"), std::invalid_argument);
}

TEST(TestDrive, GoesAwayWithItsScope) {
  THostFolder folder;
  char letter = 0;
  {
    TTestDrive drive(DRIVE_CDROM, folder.HostPath());
    letter = drive.Letter();
    EXPECT_EQ(DriveTypeOf(letter), static_cast<UINT>(DRIVE_CDROM));
  }
  EXPECT_EQ(DriveTypeOf(letter), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

}  // namespace
