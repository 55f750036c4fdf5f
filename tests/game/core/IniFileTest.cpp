#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "game/core/IniFile.h"
#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"

namespace Orva {
namespace {

using Testing::TempFolder;
using namespace std::string_literals;

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(IniFileRead, LooksUpSectionsAndKeysWithoutCaseAndTrimsValues) {
  IniFile ini;
  ini.FromText("; comment\n[Player]\n  Name =  Ann Lee  \nlevel=12\n\n[other]\nname=Bob\n");
  EXPECT_EQ(ini.GetString("player", "NAME", "x"), "Ann Lee");
  EXPECT_EQ(ini.GetString("PLAYER", "name", "x"), "Ann Lee");
  EXPECT_EQ(ini.GetString(" Other ", "Name", "x"), "Bob");
  EXPECT_EQ(ini.GetInt("player", "Level", 0), 12);
  EXPECT_EQ(ini.GetString("player", "missing", "fallback"), "fallback");
  EXPECT_EQ(ini.GetString("nosuch", "name", "fallback"), "fallback");
  EXPECT_EQ(ini.GetInt("player", "missing", -7), -7);
  EXPECT_EQ(ini.GetInt("player", "name", -7), 0);  // present but not a number
}

TEST(IniFileRead, EmptyValueIsNotTheDefaultAndFirstDuplicateWins) {
  IniFile ini;
  ini.FromText("[s]\nempty=\nkey=first\nKEY=second\n[S]\nkey=third\nlater=yes\n");
  EXPECT_EQ(ini.GetString("s", "empty", "STRING"), "");
  EXPECT_EQ(ini.GetString("s", "key", ""), "first");
  EXPECT_EQ(ini.GetString("s", "later", ""), "yes");  // a repeated section is still searched
  EXPECT_EQ(ini.KeyNames("s"), (std::vector<std::string>{"empty", "key", "later"}));
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"s"}));
}

TEST(IniFileRead, DamagedInputGivesWhatCanBeRead) {
  IniFile ini;
  // Keys before any section, CR LF and lone CR endings, binary junk, an unclosed header, a BOM.
  std::string text = "\xEF\xBB\xBForphan=1\r\n[a]\r\nx = 1 \r\n\x01\xff"s + '\0' + "junk\r[broken\ny=2\r";
  text += "[b]\n" + std::string(100000, 'v') + "\nz=" + std::string(5000, 'w') + "\n";
  ini.FromText(text);
  EXPECT_EQ(ini.GetString("", "orphan", "none"), "none");
  EXPECT_EQ(ini.GetString("a", "x", ""), "1");
  EXPECT_EQ(ini.GetString("a", "y", ""), "2");
  EXPECT_EQ(ini.GetString("b", "z", "").size(), 5000u);

  ini.FromText("no sections at all\n=value\n");
  EXPECT_TRUE(ini.SectionNames().empty());
  ini.FromText(std::string("\0\0\0[s]\0", 8));
  EXPECT_TRUE(ini.KeyNames("s").empty());
}

TEST(IniFileRead, GetIntClampsAndTakesLeadingDigits) {
  IniFile ini;
  ini.FromText("[n]\na=-42abc\nb=99999999999999999999\nc=-99999999999999999999\nd=+5\n");
  EXPECT_EQ(ini.GetInt("n", "a", 0), -42);
  EXPECT_EQ(ini.GetInt("n", "b", 0), 2147483647);
  EXPECT_EQ(ini.GetInt("n", "c", 0), -2147483647 - 1);
  EXPECT_EQ(ini.GetInt("n", "d", 0), 5);
}

TEST(IniFileWrite, CreatesFileAndSectionAndKeepsOtherLines) {
  TempFolder folder("ini_write");
  const std::string path = (folder / "sub/profile.ini").string();
  EXPECT_EQ(IniFile::Read(path, "s", "k", "absent"), "absent");
  ASSERT_TRUE(IniFile::Write(path, "Player", "Name", "Ann"));
  EXPECT_EQ(IniFile::Read(path, "PLAYER", "name", ""), "Ann");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "sub"), {}), 1) << "no temporary file is left";

  ASSERT_TRUE(folder.Write("p.ini", "; keep me\n[a]\nx=1\n; about y\n\n[b]\nq=2\n"));
  IniFile ini((folder / "p.ini").string());
  ASSERT_TRUE(ini.Load());
  ASSERT_TRUE(ini.SetString("A", "y", std::string_view("  two  ")));
  ASSERT_TRUE(ini.SetString("a", "X", std::string_view("3")));
  ASSERT_TRUE(ini.SetString("c", "new", std::string_view("v")));
  EXPECT_EQ(ReadAll(folder / "p.ini"), "; keep me\n[a]\nx=3\ny=two\n; about y\n\n[b]\nq=2\n[c]\nnew=v\n");
}

TEST(IniFileWrite, ARewriteKeepsHeaderCommentsLineEndingsAndByteOrderMarks) {
  // Each text comes back byte for byte when nothing is changed, and a change keeps its look.
  for (const std::string& text :
       {std::string("[DATA] ; the player's progress\nLEVEL=3\n"), std::string("[DATA]\r\nLEVEL=3\r\n; done\r\n"),
        std::string("\xEF\xBB\xBF\xEF\xBB\xBF[DATA]\nLEVEL=3\n")}) {
    IniFile ini;
    ini.FromText(text);
    EXPECT_EQ(ini.ToText(), text);
    IniFile again;
    again.FromText(ini.ToText());
    EXPECT_EQ(again.SectionNames(), ini.SectionNames());
  }
  TempFolder folder("ini_crlf");
  ASSERT_TRUE(folder.Write("p.ini", "[DATA] ; kept\r\nLEVEL=3\r\n"));
  ASSERT_TRUE(IniFile::Write((folder / "p.ini").string(), "DATA", "STAGE", "2"));
  EXPECT_EQ(ReadAll(folder / "p.ini"), "[DATA] ; kept\r\nLEVEL=3\r\nSTAGE=2\r\n");
}

TEST(IniFileWrite, NoValueRemovesKeyAndSectionsCanBeRemoved) {
  TempFolder folder("ini_remove");
  const std::string path = (folder / "p.ini").string();
  ASSERT_TRUE(IniFile::Write(path, "s", "a", "1"));
  ASSERT_TRUE(IniFile::Write(path, "s", "b", "2"));
  ASSERT_TRUE(IniFile::Write(path, "t", "c", "3"));
  ASSERT_TRUE(IniFile::Write(path, "S", "A", std::nullopt));
  EXPECT_EQ(IniFile::Read(path, "s", "a", "gone"), "gone");
  EXPECT_EQ(IniFile::Read(path, "s", "b", ""), "2");

  IniFile ini(path);
  ASSERT_TRUE(ini.Load());
  ASSERT_TRUE(ini.RemoveSection("T"));
  EXPECT_EQ(ReadAll(path), "[s]\nb=2\n");

  // Removing what is not there succeeds and never creates a file.
  const std::string none = (folder / "none.ini").string();
  EXPECT_TRUE(IniFile::Write(none, "s", "k", std::nullopt));
  EXPECT_FALSE(std::filesystem::exists(none));
}

TEST(IniFileWrite, RefusesNamesAndValuesThatWouldBecomeOtherLines) {
  TempFolder folder("ini_refuse");
  const std::string path = (folder / "p.ini").string();
  ASSERT_TRUE(IniFile::Write(path, "s", "k", "old"));
  EXPECT_FALSE(IniFile::Write(path, "s", "k", "evil\n[s]\nk=new"));
  EXPECT_FALSE(IniFile::Write(path, "s", "k=x", "v"));
  EXPECT_FALSE(IniFile::Write(path, "s]", "k", "v"));
  EXPECT_FALSE(IniFile::Write(path, "s", "  ", "v"));
  EXPECT_EQ(ReadAll(path), "[s]\nk=old\n");
}

TEST(IniFileWrite, FailedWriteLeavesOldFileAndMemory) {
  TempFolder folder("ini_fail");
  const std::string path = (folder / "p.ini").string();
  ASSERT_TRUE(IniFile::Write(path, "s", "k", "old"));
  ASSERT_TRUE(IniFile::Write(path, "t", "x", "1"));
  IniFile ini(path);
  ASSERT_TRUE(ini.Load());
  {
    // Each change would leave more than 4 bytes to write.
    Testing::FileSizeLimit limit(4);
    EXPECT_FALSE(ini.SetString("s", "k", std::string_view("new")));
    EXPECT_FALSE(ini.SetString("s", "k", std::nullopt));
    EXPECT_FALSE(ini.RemoveSection("s"));
  }
  EXPECT_EQ(ini.GetString("s", "k", ""), "old");
  EXPECT_EQ(ReadAll(path), "[s]\nk=old\n[t]\nx=1\n");

  // A file that exists but cannot be read is never replaced.
  const std::string folderAsFile = (folder / "dir.ini").string();
  std::filesystem::create_directory(folderAsFile);
  EXPECT_FALSE(IniFile::Write(folderAsFile, "s", "k", "v"));
}

}  // namespace
}  // namespace Orva
