#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "framework/app/RegistryStore.h"
#include "support/FileSizeLimit.h"

namespace Orva {
namespace {

namespace fs = std::filesystem;

class RegistryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("orva_registry_" + std::to_string(getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    path = (dir / "Vendor" / "Product" / "registry.reg").string();
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  std::string ReadFile() const {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void WriteFile(const std::string& text) const {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }

  fs::path dir;
  std::string path;
  const std::string key = "SOFTWARE\\Vendor\\Product";
};

std::string Dword(uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

TEST_F(RegistryStoreTest, TypedValuesRoundTripThroughTheFileWithTheirTypes) {
  RegistryStore store;
  store.SetFile(path);
  ASSERT_TRUE(store.Store(key, "MusicVolume", RegistryStore::Type::Dword, Dword(85)));
  ASSERT_TRUE(store.Store(key, "luser", RegistryStore::Type::String, "Ann \"the\" \\ best"));
  ASSERT_TRUE(store.Store(key, "Line", RegistryStore::Type::String, std::string("two\nlines\0x", 11)));
  ASSERT_TRUE(store.Store(key + "\\Test3D", "Blob", RegistryStore::Type::Binary, std::string("\x00\xff\x10", 3)));
  ASSERT_TRUE(store.Store(key, "Negative", RegistryStore::Type::Dword, Dword(uint32_t(-7))));

  RegistryStore again;
  again.SetFile(path);
  ASSERT_TRUE(again.Load());
  RegistryStore::Value value;
  ASSERT_TRUE(again.Fetch(key, "musicvolume", value));  // names compare without case
  EXPECT_EQ(value.type, RegistryStore::Type::Dword);
  EXPECT_EQ(value.data, Dword(85));
  ASSERT_TRUE(again.Fetch(key, "luser", value));
  EXPECT_EQ(value.type, RegistryStore::Type::String);
  EXPECT_EQ(value.data, "Ann \"the\" \\ best");
  ASSERT_TRUE(again.Fetch(key, "Line", value));
  EXPECT_EQ(value.data, std::string("two\nlines\0x", 11));
  ASSERT_TRUE(again.Fetch("software\\vendor\\product\\test3d", "Blob", value));
  EXPECT_EQ(value.type, RegistryStore::Type::Binary);
  EXPECT_EQ(value.data, std::string("\x00\xff\x10", 3));
  ASSERT_TRUE(again.Fetch(key, "Negative", value));
  EXPECT_EQ(value.data, Dword(uint32_t(-7)));
  EXPECT_FALSE(again.Fetch(key, "Missing", value));
  EXPECT_FALSE(again.Fetch(key + "\\Other", "Blob", value));

  const std::string text = ReadFile();
  EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\SOFTWARE\\Vendor\\Product\\Test3D]"), std::string::npos);
  EXPECT_NE(text.find("\"MusicVolume\"=dword:00000055"), std::string::npos);
}

// Value types this program never writes (expandable and multi-line texts, 64-bit numbers, a
// typeless value) are kept as they were written when another value changes.
TEST_F(RegistryStoreTest, ValueTypesItDoesNotKnowSurviveARewrite) {
  WriteFile("REGEDIT4\n\n[HKEY_CURRENT_USER\\" + key +
            "]\n\"Expand\"=hex(2):25,00,00,00\n\"Multi\"=hex(7):61,00,00,00\n\"Wide\"=hex(b):01,02,03,04,05,06,07,08\n"
            "\"Nothing\"=hex(0):\n");
  RegistryStore store;
  store.SetFile(path);
  ASSERT_TRUE(store.Load());
  RegistryStore::Value value;
  ASSERT_TRUE(store.Fetch(key, "Wide", value));
  EXPECT_EQ(int(value.type), 0xb);
  EXPECT_EQ(value.data, "\x01\x02\x03\x04\x05\x06\x07\x08");
  ASSERT_TRUE(store.Store(key, "MusicVolume", RegistryStore::Type::Dword, Dword(85)));
  const std::string text = ReadFile();
  for (const char* line : {"\"Expand\"=hex(2):25,00,00,00\n", "\"Multi\"=hex(7):61,00,00,00\n",
                           "\"Wide\"=hex(b):01,02,03,04,05,06,07,08\n", "\"Nothing\"=hex(0):\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
}

TEST_F(RegistryStoreTest, EraseRemovesOnlyThatValue) {
  RegistryStore store;
  store.SetFile(path);
  store.Store(key, "A", RegistryStore::Type::Dword, Dword(1));
  store.Store(key, "B", RegistryStore::Type::Dword, Dword(2));
  EXPECT_TRUE(store.Erase(key, "a"));
  EXPECT_FALSE(store.Erase(key, "a"));
  RegistryStore again;
  again.SetFile(path);
  again.Load();
  RegistryStore::Value value;
  EXPECT_FALSE(again.Fetch(key, "A", value));
  EXPECT_TRUE(again.Fetch(key, "B", value));
}

TEST_F(RegistryStoreTest, DamagedFilesKeepWhatCanBeReadAndAreRewrittenCleanly) {
  const std::string good =
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Vendor\\Product]\n\"MusicVolume\"=dword:00000032\n";
  struct Case {
    const char* what;
    std::string text;
  } cases[] = {
      {"cut short", good + "\"SfxVolume\"=dword:000"},
      {"bad dword digits", good + "\"SfxVolume\"=dword:zz000000\n"},
      {"unterminated string", good + "\"luser\"=\"Ann\n"},
      {"odd hex", good + "\"Blob\"=hex:0,12\n"},
      {"value before any key", "REGEDIT4\n\"X\"=dword:00000001\n" + good.substr(9)},
      {"binary garbage", good + std::string("\x00\x01\xfe\xff\n\x80\"", 7) + "\n"},
      {"no header", good.substr(10)},
      {"another hive", good + "[HKEY_LOCAL_MACHINE\\X]\n\"Y\"=dword:00000001\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(c.text);
    RegistryStore store;
    store.SetFile(path);
    EXPECT_FALSE(store.Load());
    RegistryStore::Value value;
    ASSERT_TRUE(store.Fetch(key, "MusicVolume", value));
    EXPECT_EQ(value.data, Dword(50));
    EXPECT_FALSE(store.Fetch(key, "SfxVolume", value));
    EXPECT_FALSE(store.Fetch("HKEY_LOCAL_MACHINE\\X", "Y", value));
    // The next write leaves a clean file that loads without complaint.
    ASSERT_TRUE(store.Store(key, "Muted", RegistryStore::Type::Dword, Dword(0)));
    RegistryStore again;
    again.SetFile(path);
    EXPECT_TRUE(again.Load()) << ReadFile();
  }
}

TEST_F(RegistryStoreTest, LongHexValuesMayContinueOnTheNextLine) {
  WriteFile(
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Vendor\\Product]\n\"Blob\"=hex:01,02,\\\n  03,04\n\"After\"=dword:"
      "00000001\n");
  RegistryStore store;
  store.SetFile(path);
  EXPECT_TRUE(store.Load());
  RegistryStore::Value value;
  ASSERT_TRUE(store.Fetch(key, "Blob", value));
  EXPECT_EQ(value.data, std::string("\x01\x02\x03\x04", 4));
  EXPECT_TRUE(store.Fetch(key, "After", value));
}

TEST_F(RegistryStoreTest, AFailedWriteReportsFailureAndLeavesTheOldFile) {
  RegistryStore store;
  store.SetFile(path);
  ASSERT_TRUE(store.Store(key, "A", RegistryStore::Type::Dword, Dword(1)));
  const std::string before = ReadFile();
  {
    Testing::FileSizeLimit limit(8);
    EXPECT_FALSE(store.Store(key, "B", RegistryStore::Type::Dword, Dword(2)));
  }
  EXPECT_EQ(ReadFile(), before);
}

TEST_F(RegistryStoreTest, WithoutAFileEverythingFailsAndNothingIsWritten) {
  RegistryStore store;
  EXPECT_FALSE(store.Load());
  EXPECT_FALSE(store.Store(key, "A", RegistryStore::Type::Dword, Dword(1)));
  RegistryStore::Value value;
  EXPECT_FALSE(store.Fetch(key, "A", value));
  EXPECT_FALSE(fs::exists(dir));
}

TEST_F(RegistryStoreTest, AFileThatCouldNotBeReadIsNeverWrittenOver) {
  // Over the size limit: nothing of it is read, yet it may be the player's only copy.
  const std::string huge =
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Vendor\\Product]\n\"MusicVolume\"=dword:"
      "00000032\n" +
      std::string(5 << 20, ';');
  WriteFile(huge);
  RegistryStore store;
  store.SetFile(path);
  EXPECT_FALSE(store.Load());
  EXPECT_TRUE(store.Unreadable());
  RegistryStore::Value value;
  EXPECT_FALSE(store.Fetch(key, "MusicVolume", value));
  // Changes hold for this run only; every save says it did not happen.
  EXPECT_FALSE(store.Store(key, "SfxVolume", RegistryStore::Type::Dword, Dword(10)));
  EXPECT_TRUE(store.Fetch(key, "SfxVolume", value));
  EXPECT_FALSE(store.Erase(key, "SfxVolume"));
  EXPECT_TRUE(ReadFile() == huge) << "the unread file was replaced";

  // Once a file has been read, or found missing, saving works again.
  WriteFile("REGEDIT4\n");
  EXPECT_TRUE(store.Load());
  EXPECT_FALSE(store.Unreadable());
  EXPECT_TRUE(store.Store(key, "SfxVolume", RegistryStore::Type::Dword, Dword(10)));
}

}  // namespace
}  // namespace Orva
