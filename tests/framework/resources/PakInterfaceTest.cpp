#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "framework/resources/PakFormat.h"
#include "framework/resources/PakInterface.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

void WriteFile(const fs::path& path, const Bytes& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Every test runs inside its own temporary folder, which is the current directory meanwhile.
class PakTest : public ::testing::Test {
 protected:
  fs::path dir;
  fs::path previous;
  PakInterface pak;

  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() / ("orva-pak-" + std::to_string(::getpid()) + "-" + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    previous = fs::current_path();
    fs::current_path(dir);
  }
  void TearDown() override {
    fs::current_path(previous);
    fs::remove_all(dir);
  }

  bool AddArchive(const std::string& name, const std::vector<PakMemoryFile>& files) {
    WriteFile(dir / name, BuildPakImage(files));
    return pak.AddPakFile(name);
  }

  // The whole file through FRead, asking for more than there is.
  Bytes ReadAll(const std::string& name) {
    PakFile* f = pak.FOpen(name.c_str(), "rb");
    if (!f) return {};
    pak.FSeek(f, 0, SEEK_END);
    Bytes out(size_t(pak.FTell(f)) + 10);
    pak.FSeek(f, 0, SEEK_SET);
    out.resize(pak.FRead(out.data(), 1, out.size(), f));
    EXPECT_TRUE(pak.FEof(f));
    pak.FClose(f);
    return out;
  }

  // Every name a search for pattern finds, in order, with "/" after folders.
  std::vector<std::string> Search(const char* pattern) {
    std::vector<std::string> names;
    PakFindData data;
    PakSearchHandle h = pak.FindFirstFile(pattern, &data);
    if (h == kInvalidPakSearch) return names;
    do names.push_back(data.fileName + (data.attributes & kPakAttributeDirectory ? "/" : ""));
    while (pak.FindNextFile(h, &data));
    EXPECT_EQ(pak.FindClose(h), 1);
    return names;
  }
};

TEST(PakNormalizeName, FoldsCaseSeparatorsAndParentFolders) {
  EXPECT_EQ(PakInterface::NormalizeName("images/Foo.png"), "IMAGES\\FOO.PNG");
  EXPECT_EQ(PakInterface::NormalizeName("IMAGES\\FOO.PNG"), "IMAGES\\FOO.PNG");
  EXPECT_EQ(PakInterface::NormalizeName("images//x/../foo.png"), "IMAGES\\FOO.PNG");
  EXPECT_EQ(PakInterface::NormalizeName("a/\\/b"), "A\\B");
  EXPECT_EQ(PakInterface::NormalizeName("a/b/../../c"), "C");
  EXPECT_EQ(PakInterface::NormalizeName("a/./b"), "A\\.\\B");
  EXPECT_EQ(PakInterface::NormalizeName("a/..foo"), "A\\..FOO");
}

TEST(PakNormalizeName, ParentFoldersNeverReachBeforeTheStart) {
  EXPECT_EQ(PakInterface::NormalizeName("../x"), "..\\X");
  EXPECT_EQ(PakInterface::NormalizeName("a/../../../x"), "X");
  EXPECT_EQ(PakInterface::NormalizeName("/.."), "");
  EXPECT_EQ(PakInterface::NormalizeName(".."), "..");
  EXPECT_EQ(PakInterface::NormalizeName(""), "");
}

TEST_F(PakTest, NormalizeNameDropsTheCurrentFolder) {
  EXPECT_EQ(PakInterface::NormalizeName(fs::current_path().string() + "/images/a.png"), "IMAGES\\A.PNG");
  EXPECT_EQ(PakInterface::NormalizeName("/elsewhere/a.png"), "\\ELSEWHERE\\A.PNG");
}

TEST_F(PakTest, WriterProducesTheDocumentedBytes) {
  // Worked by hand: each byte below is the plain byte XOR 0x9D.
  const Bytes expected = {0x5D, 0xD7, 0x5D, 0x27,  // magic C0 4A C0 BA
                          0x9D, 0x9D, 0x9D, 0x9D,  // version 0
                          0x9D, 0x9C, 0xDC,        // flags 0, name length 1, "A"
                          0x9C, 0x9D, 0x9D, 0x9D,  // size 1
                          0x9F, 0x9D, 0x9D, 0x9D,  // time, low word 2
                          0x9C, 0x9D, 0x9D, 0x9D,  // time, high word 1
                          0x1D,                    // end flag 0x80
                          0x9C};                   // contents 0x01
  EXPECT_EQ(BuildPakImage({{"A", {0x01}, 0x100000002ull}}), expected);
}

TEST_F(PakTest, PackedFolderReadsBackByteForByte) {
  std::mt19937 random(7);
  std::map<std::string, Bytes> files;
  files["readme.txt"] = Text("line one\r\nline two\r\n");
  files["images/sub/noise.bin"] = Bytes(100000);
  for (uint8_t& b : files["images/sub/noise.bin"]) b = uint8_t(random());
  files["images/all.bin"] = Bytes(256);
  for (int i = 0; i < 256; ++i) files["images/all.bin"][size_t(i)] = uint8_t(i);
  files["empty.dat"] = {};
  for (const auto& [name, bytes] : files) WriteFile(dir / "data" / name, bytes);

  std::string error;
  ASSERT_TRUE(WritePakFile("data", "main.pak", error)) << error;
  EXPECT_FALSE(fs::exists("main.pak.tmp"));
  PakDirectory directory;
  ASSERT_TRUE(ReadPakDirectory("main.pak", directory, error)) << error;
  std::vector<std::string> stored;
  for (const PakDirectoryEntry& e : directory.entries) stored.push_back(e.name);
  EXPECT_EQ(stored, (std::vector<std::string>{"empty.dat", "images\\all.bin", "images\\sub\\noise.bin", "readme.txt"}));

  ASSERT_TRUE(pak.AddPakFile("main.pak"));
  fs::remove_all("data");  // from here on only the archive can answer
  for (const auto& [name, bytes] : files) EXPECT_EQ(ReadAll(name), bytes) << name;
  EXPECT_EQ(ReadAll("IMAGES\\SUB\\..\\ALL.BIN"), files["images/all.bin"]);
}

TEST_F(PakTest, ArchiveItselfReadsAsItsPlainBytes) {
  ASSERT_TRUE(AddArchive("main.pak", {{"a.txt", Text("hello"), 0}}));
  const Bytes whole = ReadAll(fs::current_path().string() + "/main.pak");
  ASSERT_EQ(whole.size(), fs::file_size("main.pak"));
  EXPECT_EQ(Bytes(whole.begin(), whole.begin() + 4), (Bytes{0xC0, 0x4A, 0xC0, 0xBA}));
  EXPECT_EQ(Bytes(whole.end() - 5, whole.end()), Text("hello"));
}

TEST_F(PakTest, SeekTellAndPartialReads) {
  Bytes contents(100);
  for (size_t i = 0; i < contents.size(); ++i) contents[i] = uint8_t(i);
  ASSERT_TRUE(AddArchive("main.pak", {{"data\\f.bin", contents, 0}}));
  PakFile* f = pak.FOpen("data/f.bin", "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(pak.FSeek(f, 0, SEEK_END), 0);
  EXPECT_EQ(pak.FTell(f), 100);
  pak.FSeek(f, 10, SEEK_END);  // counts back from the end
  EXPECT_EQ(pak.FTell(f), 90);
  pak.FSeek(f, -5, SEEK_SET);
  EXPECT_EQ(pak.FTell(f), 0);
  pak.FSeek(f, 7, SEEK_SET);
  pak.FSeek(f, 3, SEEK_CUR);
  EXPECT_EQ(pak.FTell(f), 10);
  pak.FSeek(f, LONG_MAX, SEEK_CUR);
  EXPECT_EQ(pak.FTell(f), 100);
  pak.FSeek(f, LONG_MIN, SEEK_CUR);
  EXPECT_EQ(pak.FTell(f), 0);
  pak.FSeek(f, LONG_MIN, SEEK_END);
  EXPECT_EQ(pak.FTell(f), 100);

  // Four-byte elements six bytes before the end: one whole element, six bytes copied.
  pak.FSeek(f, 94, SEEK_SET);
  uint8_t buffer[128] = {};  // the overflowing read below takes all 100 bytes
  EXPECT_EQ(pak.FRead(buffer, 4, 3, f), 1u);
  EXPECT_EQ(Bytes(buffer, buffer + 7), (Bytes{94, 95, 96, 97, 98, 99, 0}));
  EXPECT_TRUE(pak.FEof(f));
  EXPECT_EQ(pak.FRead(buffer, 1, 1, f), 0u);
  pak.FSeek(f, 0, SEEK_SET);
  EXPECT_EQ(pak.FRead(buffer, 0, 5, f), 0u);
  EXPECT_EQ(pak.FRead(buffer, SIZE_MAX, 2, f), 0u);  // the product would overflow
  EXPECT_EQ(pak.FTell(f), 100);                      // ...so it asked for everything
  EXPECT_EQ(pak.FClose(f), 0);
}

TEST_F(PakTest, CharactersAndLinesDropCarriageReturns) {
  ASSERT_TRUE(AddArchive("main.pak", {{"t.txt", Text("ab\r\ncd"), 0}, {"cr.txt", Text("x\r\r"), 0}}));
  PakFile* f = pak.FOpen("t.txt", "rt");
  char line[16];
  ASSERT_EQ(pak.FGetS(line, sizeof line, f), line);
  EXPECT_STREQ(line, "ab\n");
  ASSERT_EQ(pak.FGetS(line, sizeof line, f), line);
  EXPECT_STREQ(line, "cd");
  EXPECT_EQ(pak.FGetS(line, sizeof line, f), nullptr);

  pak.FSeek(f, 0, SEEK_SET);
  EXPECT_EQ(pak.FGetS(line, 2, f), line);  // room for one character
  EXPECT_STREQ(line, "a");
  std::strcpy(line, "zz");
  EXPECT_EQ(pak.FGetS(line, 1, f), line);
  EXPECT_STREQ(line, "");
  EXPECT_EQ(pak.FGetS(line, 0, f), nullptr);
  EXPECT_EQ(pak.FGetC(f), 'b');
  EXPECT_EQ(pak.FGetC(f), '\n');  // the CR before it is skipped
  EXPECT_EQ(pak.UnGetC('?', f), '?');
  EXPECT_EQ(pak.FGetC(f), '\n');  // the character is not stored, the position moved back
  pak.FClose(f);

  f = pak.FOpen("cr.txt", "r");
  EXPECT_EQ(pak.FGetC(f), 'x');
  EXPECT_EQ(pak.FGetC(f), EOF);  // only CRs were left
  pak.FSeek(f, 1, SEEK_SET);
  EXPECT_EQ(pak.FGetS(line, sizeof line, f), nullptr);
  EXPECT_EQ(pak.UnGetC('a', f), 'a');
  EXPECT_EQ(pak.FTell(f), 2);
  pak.FSeek(f, 0, SEEK_SET);
  pak.UnGetC('a', f);
  EXPECT_EQ(pak.FTell(f), 0);
  pak.FClose(f);
}

TEST_F(PakTest, ArchiveShadowsLooseFilesAndWritingGoesToTheDisk) {
  WriteFile(dir / "Images" / "A.PNG", Text("loose"));
  WriteFile(dir / "Images" / "B.PNG", Text("only loose"));
  ASSERT_TRUE(AddArchive("main.pak", {{"Images\\A.PNG", Text("packed"), 0}}));
  EXPECT_EQ(ReadAll("images\\a.png"), Text("packed"));
  EXPECT_EQ(ReadAll("Images\\B.PNG"), Text("only loose"));  // backslashes become slashes on the disk
  EXPECT_EQ(pak.FOpen("Images\\missing.png", "rb"), nullptr);

  fs::remove("Images/A.PNG");
  PakFile* out = pak.FOpen("Images\\A.PNG", "wb");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(pak.FTell(out), 0);
  pak.FClose(out);
  EXPECT_TRUE(fs::exists("Images/A.PNG"));
  EXPECT_EQ(ReadAll("Images\\A.PNG"), Text("packed"));
}

TEST_F(PakTest, DiskFilesGoThroughStdio) {
  WriteFile(dir / "d.txt", Text("12\r\n34"));
  PakFile* f = pak.FOpen("d.txt", "rb");
  ASSERT_NE(f, nullptr);
  char line[8];
  EXPECT_EQ(pak.FGetS(line, sizeof line, f), line);
  EXPECT_STREQ(line, "12\r\n");  // stdio keeps the CR
  EXPECT_EQ(pak.FGetC(f), '3');
  EXPECT_EQ(pak.UnGetC('x', f), 'x');
  EXPECT_EQ(pak.FGetC(f), 'x');
  EXPECT_EQ(pak.FSeek(f, -1, SEEK_END), 0);  // stdio's meaning of an end offset
  EXPECT_EQ(pak.FTell(f), 5);
  EXPECT_EQ(pak.FClose(f), 0);
}

TEST_F(PakTest, NullHandlesAndUnsupportedCallsFailQuietly) {
  char buffer[4] = "abc";
  wchar_t wide[4] = L"abc";
  EXPECT_EQ(pak.FOpen(L"a.txt", L"rb"), nullptr);
  EXPECT_EQ(pak.FGetS(wide, 4, nullptr), wide);
  EXPECT_EQ(wide[0], L'a');
  EXPECT_EQ(pak.FOpen(nullptr, "rb"), nullptr);
  EXPECT_EQ(pak.FRead(buffer, 1, 4, nullptr), 0u);
  EXPECT_EQ(pak.FGetC(nullptr), EOF);
  EXPECT_EQ(pak.FGetS(buffer, 4, nullptr), nullptr);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(pak.FTell(nullptr), -1);
  EXPECT_NE(pak.FSeek(nullptr, 0, SEEK_SET), 0);
  EXPECT_NE(pak.FEof(nullptr), 0);
  EXPECT_EQ(pak.UnGetC('a', nullptr), EOF);
  EXPECT_EQ(pak.FClose(nullptr), EOF);
  EXPECT_EQ(pak.FindNextFile(nullptr, nullptr), 0);
  EXPECT_EQ(pak.FindNextFile(kInvalidPakSearch, nullptr), 0);
  EXPECT_EQ(pak.FindClose(kInvalidPakSearch), 1);
  EXPECT_EQ(pak.FindClose(nullptr), 1);
}

TEST_F(PakTest, SearchListsArchiveKeysInOrderThenTheDisk) {
  ASSERT_TRUE(AddArchive("main.pak", {{"Levels\\b.txt", Text("1"), 5},
                                      {"Levels\\a.txt", Text("22"), 6},
                                      {"Levels\\deep\\c.txt", Text("333"), 7},
                                      {"Levels\\a.dat", {}, 8},
                                      {"Other.txt", {}, 9}}));
  WriteFile(dir / "levels" / "loose.txt", Text("4444"));
  WriteFile(dir / "levels" / "a.txt", Text("55555"));
  WriteFile(dir / "levels" / "skip.bin", {});
  fs::create_directories(dir / "levels" / "Folder.txt");

  EXPECT_EQ(Search("levels/*.txt"),
            (std::vector<std::string>{"a.txt", "b.txt", "c.txt/", "a.txt", "Folder.txt/", "loose.txt"}));
  EXPECT_EQ(Search("levels\\*.*").size(), 4u + 4u);
  EXPECT_EQ(Search("levels\\A.TXT"), (std::vector<std::string>{"a.txt"}));  // no '*': the disk only
  EXPECT_EQ(Search("levels\\nothing*"), std::vector<std::string>{});
  EXPECT_EQ(Search("nowhere/*"), std::vector<std::string>{});

  PakFindData data;
  PakSearchHandle h = pak.FindFirstFile("levels\\a*", &data);
  ASSERT_NE(h, kInvalidPakSearch);
  EXPECT_EQ(data.fileName, "a.dat");
  EXPECT_EQ(data.lastWriteTime, 8u);
  ASSERT_EQ(pak.FindNextFile(h, &data), 1);
  EXPECT_EQ(data.fileName, "a.txt");
  EXPECT_EQ(data.sizeLow, 2u);
  EXPECT_EQ(data.attributes, 0u);
  EXPECT_EQ(data.creationTime, 6u);
  ASSERT_EQ(pak.FindNextFile(h, &data), 1);  // now the loose a.txt
  EXPECT_EQ(data.sizeLow, 5u);
  EXPECT_EQ(pak.FindNextFile(h, &data), 0);
  pak.FindClose(h);
}

TEST_F(PakTest, LaterArchiveReplacesEarlierFiles) {
  ASSERT_TRUE(AddArchive("one.pak", {{"a.txt", Text("first"), 0}, {"b.txt", Text("kept"), 0}}));
  PakFile* early = pak.FOpen("a.txt", "rb");
  ASSERT_TRUE(AddArchive("two.pak", {{"A.TXT", Text("second!"), 0}}));
  EXPECT_EQ(ReadAll("a.txt"), Text("second!"));
  EXPECT_EQ(ReadAll("b.txt"), Text("kept"));
  char buffer[8] = {};
  EXPECT_EQ(pak.FRead(buffer, 1, 8, early), 5u);  // an open file keeps its contents
  EXPECT_STREQ(buffer, "first");
  pak.FClose(early);
}

TEST_F(PakTest, DamagedArchivesEnterNothing) {
  const Bytes good = BuildPakImage({{"a.txt", Text("hello"), 0}, {"b.txt", Text("world"), 0}});
  const size_t directoryEnd = 8 + (1 + 1 + 5 + 12) * 2 + 1;
  Bytes badMagic = good;
  badMagic[0] ^= 1;
  Bytes version1 = good;
  version1[4] ^= 1;
  Bytes nameTooLong = Bytes(good.begin(), good.begin() + 8);  // one entry whose name runs off the end
  nameTooLong.insert(nameTooLong.end(), {0x9D, 0x9D ^ 200, 'x' ^ 0x9D});
  Bytes noEndFlag = Bytes(good.begin(), good.begin() + directoryEnd - 1);
  Bytes sizeTooBig = good;
  sizeTooBig[8 + 2 + 5] ^= 0x10;  // a.txt's size 5 becomes 21
  const std::vector<std::pair<std::string, Bytes>> cases = {
      {"bad magic", badMagic},
      {"version 1", version1},
      {"cut in the header", Bytes(good.begin(), good.begin() + 6)},
      {"cut in an entry", Bytes(good.begin(), good.begin() + 20)},
      {"no end flag", noEndFlag},
      {"name past the end", nameTooLong},
      {"contents past the end", sizeTooBig},
      {"one byte of contents missing", Bytes(good.begin(), good.end() - 1)},
  };
  for (const auto& [what, bytes] : cases) {
    PakInterface fresh;
    WriteFile(dir / "bad.pak", bytes);
    EXPECT_FALSE(fresh.AddPakFile("bad.pak")) << what;
    EXPECT_EQ(fresh.FOpen("a.txt", "rb"), nullptr) << what;
    PakFindData data;
    PakSearchHandle h = fresh.FindFirstFile("*", &data);
    ASSERT_NE(h, kInvalidPakSearch) << what;
    EXPECT_EQ(data.fileName, "bad.pak") << what << ": only the archive's own name is entered";
    fresh.FindClose(h);
  }

  WriteFile(dir / "empty.pak", {});
  EXPECT_FALSE(pak.AddPakFile("empty.pak"));
  EXPECT_FALSE(pak.AddPakFile("missing.pak"));
  fs::create_directories(dir / "folder.pak");
  EXPECT_FALSE(pak.AddPakFile("folder.pak"));
  EXPECT_EQ(Search("*.PAK"), (std::vector<std::string>{"bad.pak", "empty.pak", "folder.pak/"})) << "all from the disk";

  PakDirectory directory;
  std::string error;
  WriteFile(dir / "bad.pak", sizeTooBig);
  EXPECT_FALSE(ReadPakDirectory("bad.pak", directory, error));
  EXPECT_NE(error.find("26 bytes"), std::string::npos) << error;
}

TEST_F(PakTest, PackerRefusesOverlongNames) {
  WriteFile(dir / "data" / std::string(200, 'a') / std::string(60, 'b'), Text("x"));
  std::string error;
  EXPECT_FALSE(WritePakFile("data", "main.pak", error));
  EXPECT_NE(error.find("255"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists("main.pak"));
  EXPECT_FALSE(fs::exists("main.pak.tmp"));
}

TEST_F(PakTest, ProcessWideInstance) {
  EXPECT_EQ(GetPakInterface(), GetPakInterfaceImpl());
  WriteFile(dir / "g.txt", Text("g"));
  PakFile* f = p_fopen("g.txt", "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(p_fgetc(f), 'g');
  EXPECT_EQ(p_fclose(f), 0);
}

}  // namespace

// The archive may shrink under the game (an update, a copy still running, a full disk): reads
// come up short instead of killing the process.
TEST_F(PakTest, ArchiveCutShortWhileOpenGivesShortReads) {
  Bytes big(256 * 1024);
  for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t('a' + i % 26);
  big[1000] = '\n';
  ASSERT_TRUE(AddArchive("main.pak", {{"big.txt", big, 0}, {"small.txt", Text("tiny"), 0}}));
  PakFile* f = pak.FOpen("big.txt", "rb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(::truncate("main.pak", 4096), 0);

  Bytes out(big.size());
  const size_t n = pak.FRead(out.data(), 1, out.size(), f);
  EXPECT_LT(n, 4096u);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + long(n)), Bytes(big.begin(), big.begin() + long(n)));
  pak.FSeek(f, 200000, SEEK_SET);
  EXPECT_EQ(pak.FGetC(f), EOF);
  char line[64];
  EXPECT_EQ(pak.FGetS(line, sizeof line, f), nullptr);
  pak.FClose(f);
  f = pak.FOpen("small.txt", "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(pak.FRead(out.data(), 1, 4, f), 0u) << "its bytes went with the cut";
  pak.FClose(f);
}

TEST_F(PakTest, DamagedArchiveSaysWhatIsWrong) {
  Bytes image = BuildPakImage({{"a.txt", Text("hello"), 0}});
  image[0] ^= 1;
  WriteFile(dir / "main.pak", image);
  std::string problem = "unchanged";
  EXPECT_FALSE(pak.AddPakFile("main.pak", &problem));
  EXPECT_NE(problem.find("wrong magic"), std::string::npos) << problem;

  image = BuildPakImage({{"a.txt", Text("hello"), 0}});
  image.resize(4);
  WriteFile(dir / "main.pak", image);
  problem.clear();
  EXPECT_FALSE(pak.AddPakFile("main.pak", &problem));
  EXPECT_NE(problem.find("too short"), std::string::npos) << problem;

  problem = "unchanged";
  EXPECT_FALSE(pak.AddPakFile("absent.pak", &problem));
  EXPECT_TRUE(problem.empty()) << "no archive is no problem: " << problem;
}

// A FIFO or a device in place of a data file must not hang or flood the reader: only regular
// files open for reading. The test keeps a writer on the FIFO, so the old behaviour fails here
// instead of hanging.
TEST_F(PakTest, OnlyRegularFilesOpenForReadingAndWholeReadsAreBounded) {
  ASSERT_EQ(::mkfifo("pipe.png", 0600), 0);
  const int writer = ::open("pipe.png", O_RDWR | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  PakFile* f = pak.FOpen("pipe.png", "rb");
  EXPECT_EQ(f, nullptr);
  if (f) pak.FClose(f);
  EXPECT_EQ(pak.FOpen("/dev/zero", "rb"), nullptr);

  std::vector<uint8_t> bytes;
  std::string problem;
  EXPECT_FALSE(pak.ReadWholeFile("pipe.png", bytes, 1 << 20, &problem));
  EXPECT_NE(problem.find("not a regular file"), std::string::npos) << problem;
  ::close(writer);
  EXPECT_FALSE(pak.ReadWholeFile("/dev/zero", bytes, 1 << 20, &problem));
  EXPECT_FALSE(pak.ReadWholeFile("absent.jpg", bytes, 1 << 20, &problem));
  EXPECT_NE(problem.find("no such file"), std::string::npos) << problem;

  // A sparse 8 GB file is refused by its size, before anything is allocated.
  { std::ofstream sparse("huge.jpg", std::ios::binary); }
  ASSERT_EQ(::truncate("huge.jpg", int64_t(8) << 30), 0);
  EXPECT_FALSE(pak.ReadWholeFile("huge.jpg", bytes, 64 << 20, &problem));
  EXPECT_NE(problem.find("larger than 64 MB"), std::string::npos) << problem;
  EXPECT_TRUE(bytes.empty());

  ASSERT_TRUE(AddArchive("main.pak", {{"inside.txt", Text("twelve bytes"), 0}}));
  EXPECT_FALSE(pak.ReadWholeFile("inside.txt", bytes, 11, &problem)) << "the limit holds in the archive too";
  ASSERT_TRUE(pak.ReadWholeFile("inside.txt", bytes, 12, &problem)) << problem;
  EXPECT_EQ(bytes, Text("twelve bytes"));
}
