// The settings store against Wine's real registry, on a key of the tests'
// own under HKEY_CLASSES_ROOT.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "exceptions.h"
#include "settings_store.h"

namespace {

const std::string kTestKey = "VelkoroTest\\Settings";
const std::string kMissingKey = "VelkoroTest\\NoSuchKey";
const std::string kAdvice =
    " This could be an indication of more serious problems. Run a registry maintenance program, or "
    "re-install this software to correct this problem.";

class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SHDeleteKeyA(HKEY_CLASSES_ROOT, "VelkoroTest");
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, kTestKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(key_);
    SHDeleteKeyA(HKEY_CLASSES_ROOT, "VelkoroTest");
  }

  void Store(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  }
  void StoreString(const char* name, const std::string& text) {
    Store(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
  }

  template <typename Call>
  std::string FailureOf(Call call) {
    try {
      call();
    } catch (const ERegistry& error) {
      return error.what();
    }
    return "(no ERegistry raised)";
  }

  HKEY key_ = nullptr;
};

std::string ValueMessage(const std::string& name, const std::string& key) {
  return "The value: '" + name + "'  of the key: '" + key + "' could not be opened in the Windows Registry." +
         kAdvice;
}

std::string TypeMessage(const std::string& name, const std::string& key, const std::string& type) {
  return "The data type for the  value '" + name + "' of the key '" + key +
         "' does not match the expected type: '" + type + "'." + kAdvice;
}

TEST_F(SettingsStoreTest, AMissingKeyFailsEveryAccessAndIsNotCreated) {
  const std::string expected = "The key: '" + kMissingKey + "' could not be opened in the Windows Registry." + kAdvice;
  EXPECT_EQ(FailureOf([&] { ReadRegInteger(kMissingKey, "HotKey"); }), expected);
  EXPECT_EQ(FailureOf([&] { ReadRegString(kMissingKey, "Directory"); }), expected);
  EXPECT_EQ(FailureOf([&] { WriteRegInteger(kMissingKey, "SaveSuccessful", 1); }), expected);
  HKEY probe;
  EXPECT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, kMissingKey.c_str(), 0, KEY_READ, &probe), ERROR_SUCCESS);
}

TEST_F(SettingsStoreTest, ReadFailuresNameTheValueAndTheExpectedType) {
  StoreString("HotKey", "1234");  // five bytes with its terminator
  StoreString("Directory", std::string(256, 'D'));
  const std::string bytes(300, '\x01');
  Store("Name", REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));

  EXPECT_EQ(FailureOf([&] { ReadRegInteger(kTestKey, "HotKey"); }), TypeMessage("HotKey", kTestKey, "DWORD"));
  EXPECT_EQ(FailureOf([&] { ReadRegString(kTestKey, "Directory"); }), ValueMessage("Directory", kTestKey));
  EXPECT_EQ(FailureOf([&] { ReadRegString(kTestKey, "Name"); }),
            TypeMessage("Name", kTestKey, "Null Terminated String"));
  // What fits is read whatever its stored type.
  const DWORD seven = 7;
  Store("Seven", REG_DWORD, &seven, sizeof seven);
  EXPECT_EQ(ReadRegString(kTestKey, "Seven"), "\x07");
  // A value that does not exist at all "could not be opened".
  EXPECT_EQ(FailureOf([&] { ReadRegInteger(kTestKey, "StartupOptions"); }),
            ValueMessage("StartupOptions", kTestKey));
  EXPECT_EQ(FailureOf([&] { ReadRegString(kTestKey, "Missing"); }), ValueMessage("Missing", kTestKey));
}

TEST_F(SettingsStoreTest, IntegersOfFourBytesOrFewerReadWhateverTheirType) {
  const BYTE binary[4] = {0x01, 0x00, 0x00, 0x00};
  Store("SaveSuccessful", REG_BINARY, binary, 4);
  EXPECT_EQ(ReadRegInteger(kTestKey, "SaveSuccessful"), 1);

  const BYTE negative[4] = {0xFE, 0xFF, 0xFF, 0xFF};
  Store("Negative", REG_DWORD, negative, 4);
  EXPECT_EQ(ReadRegInteger(kTestKey, "Negative"), -2);

  // Missing bytes of a shorter value read as zero.
  const BYTE shortValue[2] = {0x34, 0x12};
  Store("Short", REG_BINARY, shortValue, 2);
  EXPECT_EQ(ReadRegInteger(kTestKey, "Short"), 0x1234);
  StoreString("Digits", "12");  // three bytes: '1', '2', 0
  EXPECT_EQ(ReadRegInteger(kTestKey, "Digits"), 0x3231);
}

TEST_F(SettingsStoreTest, StringsUpTo255CharactersReadWhole) {
  const std::string longest(255, 'x');
  StoreString("Directory", longest);
  EXPECT_EQ(ReadRegString(kTestKey, "Directory"), longest);
  StoreString("Directory", "C:\\UTIL");
  EXPECT_EQ(ReadRegString(kTestKey, "Directory"), "C:\\UTIL");
  StoreString("Directory", "");
  EXPECT_EQ(ReadRegString(kTestKey, "Directory"), "");
}

TEST_F(SettingsStoreTest, WritingCreatesAMissingValueAsADword) {
  WriteRegInteger(kTestKey, "CRC32", static_cast<int32_t>(0xCBF43926u));
  DWORD type = 0, data = 0, size = sizeof data;
  ASSERT_EQ(RegQueryValueExA(key_, "CRC32", nullptr, &type, reinterpret_cast<BYTE*>(&data), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(data, 0xCBF43926u);
  EXPECT_EQ(ReadRegInteger(kTestKey, "CRC32"), static_cast<int32_t>(0xCBF43926u));

  // Writing over a value of another type makes it a DWORD.
  StoreString("HotKey", "1234");
  WriteRegInteger(kTestKey, "HotKey", 70);
  EXPECT_EQ(ReadRegInteger(kTestKey, "HotKey"), 70);
}

}  // namespace
