#include <gtest/gtest.h>

#include <filesystem>

#include "game/core/StringTable.h"
#include "support/TempFolder.h"

namespace Orva {
namespace {

using Testing::TempFolder;

TEST(StringTable, ConvertsBackslashAndSlashAndKeepsEmptyValues) {
  TempFolder folder("strt");
  ASSERT_TRUE(folder.Write("strt.txt", "[STRINGS]\n0=a\\b/c\n1=\n2=  both \\ ends  \n84=last\n"));
  StringTable table;
  table.Load((folder / "strt.txt").string());
  ASSERT_EQ(table.Count(), StringTable::kCount);
  EXPECT_EQ(table.Get(0), "a\nb\tc");
  EXPECT_EQ(table.Get(1), "");
  EXPECT_EQ(table.Get(2), "both \n ends");
  EXPECT_EQ(table.Get(3), "STRING");
  EXPECT_EQ(table.Get(84), "last");
}

TEST(StringTable, MissingFileGivesStringEverywhereAndOutOfRangeIsEmpty) {
  StringTable table;
  EXPECT_EQ(table.Get(0), "");  // before loading
  std::string problem;
  EXPECT_FALSE(table.Load("/nonexistent/strt.txt", &problem));
  EXPECT_EQ(problem, "no such file");
  ASSERT_EQ(table.Count(), StringTable::kCount);
  for (int i = 0; i < StringTable::kCount; ++i) EXPECT_EQ(table.Get(i), "STRING") << i;
  EXPECT_EQ(table.Get(-1), "");
  EXPECT_EQ(table.Get(StringTable::kCount), "");
  EXPECT_EQ(table.Get(1 << 30), "");
}

// An endless device or a huge file in its place is refused, not read until memory runs out.
TEST(StringTable, DevicesAndHugeFilesAreRefusedWithTheReason) {
  StringTable table;
  std::string problem;
  EXPECT_FALSE(table.Load("/dev/zero", &problem));
  EXPECT_EQ(problem, "not a regular file");
  TempFolder folder("strt_huge");
  ASSERT_TRUE(folder.Write("strt.txt", "[STRINGS]\n0=a\n"));
  std::filesystem::resize_file(folder / "strt.txt", uint64_t(8) << 30);
  EXPECT_FALSE(table.Load((folder / "strt.txt").string(), &problem));
  EXPECT_NE(problem.find("larger than"), std::string::npos) << problem;
  EXPECT_EQ(table.Get(0), "STRING");
}

TEST(StringTable, LongValuesAreCutTo799Bytes) {
  TempFolder folder("strt_long");
  // "é" is two bytes: 798 'x' then "é" would straddle the cut, so the whole character goes.
  ASSERT_TRUE(folder.Write("strt.txt", "[STRINGS]\n0=" + std::string(5000, 'x') + "\n1=" + std::string(799, 'y') +
                                           "\n2=" + std::string(798, 'z') + "\xC3\xA9zz\n"));
  StringTable table;
  table.Load((folder / "strt.txt").string());
  EXPECT_EQ(table.Get(0), std::string(799, 'x'));
  EXPECT_EQ(table.Get(1), std::string(799, 'y'));
  EXPECT_EQ(table.Get(2), std::string(798, 'z'));
}

TEST(StringTable, GameFileHasEveryString) {
  StringTable table;
  table.Load(std::string(ORVA_SOURCE_DIR) + "/data/properties/strt.txt");
  ASSERT_EQ(table.Count(), StringTable::kCount);
  for (int i = 0; i < StringTable::kCount; ++i) {
    EXPECT_NE(table.Get(i), "STRING") << i;
    EXPECT_LE(table.Get(i).size(), StringTable::kMaxLength) << i;
  }
  EXPECT_EQ(table.Get(0), "Exit");
  EXPECT_EQ(table.Get(29), "Level %i - Stage %i");
  EXPECT_EQ(table.Get(66), "Welcome back,\n");
  EXPECT_EQ(table.Get(84).substr(0, 5), "Clear");
}

}  // namespace
}  // namespace Orva
