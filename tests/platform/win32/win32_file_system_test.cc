#include "platform/files/win32/win32_file_system.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/ascii.h"
#include "base/failure.h"
#include "platform/files/temporary_folder.h"
#include "platform/files/win32/system_path.h"
#include "platform/win32/wide_text.h"
#include "tests/platform/file_writer_contract.h"

namespace kestrova::win32 {
namespace {

// A folder of its own under the user's temporary folder, removed with everything in it.
class TestFolder {
 public:
  // The UTF-8 path of `name` inside the folder.
  std::string Path(const std::string& name = {}) const {
    return Utf8FromWide(folder_.path().wstring()) + (name.empty() ? "" : "\\" + name);
  }

  // The names in the folder, without "." and "..".
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder_.path().wstring() + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") names.push_back(Utf8FromWide(name));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
  }

 private:
  const TemporaryFolder folder_{"kestrova-files"};
};

// Writes `bytes` to the file at `path` directly through the system, without the file system.
void PutFile(const std::string& path, const std::string& bytes) {
  const HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  const BOOL wrote =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_TRUE(wrote);
  ASSERT_EQ(written, bytes.size());
}

// The bytes of the file at `path` read directly through the system; "<missing>" when it cannot be
// opened.
std::string FileBytes(const std::string& path) {
  const HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

// The number of the Failure that `action` raises; 0 when it raises none.
template <typename Action>
std::int32_t FailureNumber(Action action, std::string* description = nullptr) {
  try {
    action();
  } catch (const Failure& failure) {
    if (description != nullptr) *description = failure.description();
    return failure.number();
  }
  return 0;
}

// The Windows side of the writer contract.
class Win32WriterSide {
 public:
  using Files = Win32FileSystem;
  std::string Path(std::string name) const {
    std::replace(name.begin(), name.end(), '/', '\\');
    return folder_.Path(name);
  }
  void Put(const std::string& name, const std::string& bytes) const { PutFile(Path(name), bytes); }
  std::string Bytes(const std::string& name) const { return FileBytes(Path(name)); }
  std::vector<std::string> Names() const { return folder_.Names(); }

 private:
  TestFolder folder_;
};

class Win32FileSystemTest : public ::testing::Test {
 protected:
  TestFolder folder_;
  Win32FileSystem files_;
};

TEST_F(Win32FileSystemTest, ExistsTellsFilesFromFoldersFromNothing) {
  PutFile(folder_.Path("inventory.txt"), "x");
  ASSERT_TRUE(CreateDirectoryW(WideFromUtf8(folder_.Path("kestrova")).c_str(), nullptr));

  EXPECT_TRUE(files_.FileExists(folder_.Path("inventory.txt")));
  EXPECT_FALSE(files_.FolderExists(folder_.Path("inventory.txt")));
  EXPECT_FALSE(files_.FileExists(folder_.Path("kestrova")));
  EXPECT_TRUE(files_.FolderExists(folder_.Path("kestrova")));
  EXPECT_FALSE(files_.FileExists(folder_.Path("nothing.txt")));
  EXPECT_FALSE(files_.FolderExists(folder_.Path("nothing")));
  EXPECT_FALSE(files_.FileExists(folder_.Path("nothing\\inventory.txt")));
}

// A folder whose parent exists is made; a missing parent, a file in the way and a folder that
// exists already each raise, name the path, and leave what was there.
TEST_F(Win32FileSystemTest, CreateFolderMakesWhatItCanAndRaisesWhereItCannot) {
  files_.CreateFolder(folder_.Path("existing"));
  files_.CreateFolder(folder_.Path("existing\\inner"));
  EXPECT_TRUE(files_.FolderExists(folder_.Path("existing\\inner")));
  PutFile(folder_.Path("kestrova"), "a file");
  for (const auto& [name, number] :
       {std::pair{"missing\\kestrova", kErrPathNotFound}, std::pair{"kestrova", kErrPathFileAccess},
        std::pair{"existing", kErrPathFileAccess}}) {
    const std::string path = folder_.Path(name);
    std::string description;
    EXPECT_EQ(FailureNumber([&] { files_.CreateFolder(path); }, &description), number) << name;
    EXPECT_NE(description.find("\"" + path + "\""), std::string::npos) << description;
  }
  EXPECT_FALSE(files_.FolderExists(folder_.Path("missing\\kestrova")));
  EXPECT_EQ(FileBytes(folder_.Path("kestrova")), "a file");
  EXPECT_TRUE(files_.FolderExists(folder_.Path("existing")));
}

struct LinesCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> lines;
};

class Win32TextFileTest : public ::testing::TestWithParam<LinesCase> {
 protected:
  TestFolder folder_;
  Win32FileSystem files_;
};

TEST_P(Win32TextFileTest, ReadsEveryLineThenRaisesInputPastEnd) {
  const std::string path = folder_.Path("inventory.txt");
  PutFile(path, GetParam().bytes);
  const auto reader = files_.OpenTextFile(path);
  std::vector<std::string> lines;
  for (int guard = 0; guard < 100 && !reader->AtEndOfStream(); ++guard) {
    lines.push_back(reader->ReadLine());
  }
  EXPECT_EQ(lines, GetParam().lines);
  EXPECT_TRUE(reader->AtEndOfStream());
  EXPECT_EQ(FailureNumber([&] { reader->ReadLine(); }), kErrInputPastEnd);
}

INSTANTIATE_TEST_SUITE_P(
    LineBreaks, Win32TextFileTest,
    ::testing::Values(LinesCase{"CrLf",
                                "12/7/2024\r\nhttp://example.test/\r\nmend.htm\r\n",
                                {"12/7/2024", "http://example.test/", "mend.htm"}},
                      LinesCase{"Lf", "a\nb\n", {"a", "b"}},
                      LinesCase{"NoFinalBreak", "a\r\nb", {"a", "b"}},
                      LinesCase{"EmptyLines", "\r\n\nc\r\n", {"", "", "c"}},
                      LinesCase{"LoneCrStays", "a\rb\r\n", {"a\rb"}},
                      LinesCase{"EmptyFile", "", {}}),
    [](const ::testing::TestParamInfo<LinesCase>& param_info) {
      return std::string(param_info.param.name);
    });

TEST_F(Win32FileSystemTest, OpeningAMissingFileRaisesFileNotFound) {
  for (const std::string& path :
       {folder_.Path("nothing.txt"), folder_.Path("nothing\\inventory.txt")}) {
    std::string description;
    EXPECT_EQ(FailureNumber([&] { files_.OpenTextFile(path); }, &description), kErrFileNotFound)
        << path;
    EXPECT_EQ(description.rfind("Cannot read \"" + path + "\": ", 0), 0u) << description;
    EXPECT_EQ(description.back(), '.') << description;
    EXPECT_NE(description.substr(description.size() - 2), "..") << description;
  }
}

// Only a file on a disk is read: a folder or a device where a file should be is refused at once,
// with the reasons the POSIX platform gives.
TEST_F(Win32FileSystemTest, OpeningAFolderOrADeviceRaisesInvalidArgument) {
  files_.CreateFolder(folder_.Path("kestrova"));
  const std::string device = folder_.Path("NUL");
  for (const auto& [path, reason] : {std::pair{folder_.Path("kestrova"), "Is a directory"},
                                     std::pair{device, "Not a regular file"}}) {
    std::string description;
    EXPECT_EQ(FailureNumber([&] { files_.OpenTextFile(path); }, &description), kErrInvalidArgument)
        << path;
    EXPECT_EQ(description, "Cannot read \"" + path + "\": " + reason + ".");
  }
}

TEST_F(Win32FileSystemTest, ReadsAFileLargerThanOneBuffer) {
  std::string bytes;
  for (int line = 0; line < 20000; ++line) bytes += "line " + std::to_string(line) + "\r\n";
  PutFile(folder_.Path("big.txt"), bytes);
  const auto reader = files_.OpenTextFile(folder_.Path("big.txt"));
  int count = 0;
  std::string last;
  while (!reader->AtEndOfStream() && count < 30000) {
    last = reader->ReadLine();
    ++count;
  }
  EXPECT_EQ(count, 20000);
  EXPECT_EQ(last, "line 19999");
}

TEST_F(Win32FileSystemTest, AWriterKeepsTheHiddenAttributeOfTheFileItReplaces) {
  const std::string path = folder_.Path("hidden.htm");
  PutFile(path, "old");
  ASSERT_TRUE(SetFileAttributesW(WideFromUtf8(path).c_str(), FILE_ATTRIBUTE_HIDDEN));
  auto writer = files_.CreateFileWriter(path);
  writer->Write("new");
  writer->Commit();
  EXPECT_EQ(FileBytes(path), "new");
  const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
  EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST_F(Win32FileSystemTest, TemporaryFilesAreHiddenAndStaleOnesGoAtTheFirstWrite) {
  // Left by a killed run, with names only close to the writer's own beside them.
  const std::vector<std::string> others = {".kestrova-1a2b-3", "mend.htm.kestrova-1a2b",
                                           "mend.htm.kestrova-1A2B-3",
                                           "mend.htm.kestrova-123456789-1", "mend.htm"};
  for (const std::string& name : others) PutFile(folder_.Path(name), "other");
  PutFile(folder_.Path("mend.htm.kestrova-1a2b-3"), "stale");
  PutFile(folder_.Path("other.htm.kestrova-ffffffff-0"), "stale");

  auto writer = files_.CreateFileWriter(folder_.Path("mend.htm"));
  writer->Write("new");
  std::vector<std::string> during = folder_.Names();
  for (const std::string& name : others) {
    const auto found = std::find(during.begin(), during.end(), name);
    ASSERT_NE(found, during.end()) << name;
    during.erase(found);
  }
  ASSERT_EQ(during.size(), 1u);
  EXPECT_EQ(during[0].rfind("mend.htm.kestrova-", 0), 0u) << during[0];
  const DWORD temporary = GetFileAttributesW(WideFromUtf8(folder_.Path(during[0])).c_str());
  // Wine keeps the hidden attribute on disk but not the temporary one, so only hidden is checked.
  EXPECT_NE(temporary & FILE_ATTRIBUTE_HIDDEN, 0u);

  // A second writer in the folder leaves the live writer's temporary file alone.
  auto second = files_.CreateFileWriter(folder_.Path("other.htm"));
  second->Commit();
  EXPECT_NE(GetFileAttributesW(WideFromUtf8(folder_.Path(during[0])).c_str()),
            INVALID_FILE_ATTRIBUTES);
  writer->Commit();
  EXPECT_EQ(FileBytes(folder_.Path("mend.htm")), "new");
  const DWORD committed = GetFileAttributesW(WideFromUtf8(folder_.Path("mend.htm")).c_str());
  EXPECT_EQ(committed & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY), 0u);
}

TEST_F(Win32FileSystemTest, NonAsciiNamesRoundTrip) {
  // "Ünïcødé" folder and "страница ✓.htm" file, written as UTF-8.
  const std::string folder = folder_.Path(
      "\xC3\x9Cn\xC3\xAF"
      "c\xC3\xB8"
      "d\xC3\xA9");
  const std::string file = folder +
                           "\\\xD1\x81\xD1\x82\xD1\x80\xD0\xB0\xD0\xBD\xD0\xB8\xD1\x86"
                           "\xD0\xB0 \xE2\x9C\x93.htm";
  files_.CreateFolder(folder);
  EXPECT_TRUE(files_.FolderExists(folder));
  auto writer = files_.CreateFileWriter(file);
  writer->Write("caf\xC3\xA9\r\nline two");
  writer->Commit();
  writer.reset();
  EXPECT_TRUE(files_.FileExists(file));
  // The system sees the names as the UTF-16 text of the UTF-8 given.
  EXPECT_NE(GetFileAttributesW((WideFromUtf8(folder_.Path()) +
                                L"\\\u00DCn\u00EFc\u00F8d\u00E9\\"
                                L"\u0441\u0442\u0440\u0430\u043D\u0438\u0446\u0430 "
                                L"\u2713.htm")
                                   .c_str()),
            INVALID_FILE_ATTRIBUTES);
  const auto reader = files_.OpenTextFile(file);
  EXPECT_EQ(reader->ReadLine(), "caf\xC3\xA9");
  EXPECT_EQ(reader->ReadLine(), "line two");
  EXPECT_TRUE(reader->AtEndOfStream());
}

// Runs a Unix program under Wine on the Unix names of the files given (after the options), and
// waits for it; false when not under Wine or when it fails. Wine neither shows the symbolic links
// of the Unix file system as reparse points nor makes any through CreateSymbolicLinkW, nor
// deletes them through DeleteFileW: the tests make and remove them this way.
bool RunUnix(std::vector<std::string> words, const std::vector<std::string>& files) {
  using Spawn = LONG(CDECL*)(char* const argv[], int wait);
  using UnixName = char*(CDECL*)(const wchar_t*);
  const auto spawn = reinterpret_cast<Spawn>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
  const auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (spawn == nullptr || unix_name == nullptr) return false;
  for (const std::string& file : files) {
    char* const name = unix_name(WideFromUtf8(file).c_str());
    if (name == nullptr) return false;
    words.emplace_back(name);
    HeapFree(GetProcessHeap(), 0, name);
  }
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  return spawn(argv.data(), 1) == 0;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), AsciiLower);
  return text;
}

// A link is followed only as far as the folder goes, and a file is written where a link inside
// leads: the link stays a link. A path with ".." out of the folder lies outside too.
TEST_F(Win32FileSystemTest, LinksAreFollowedOnlyInsideTheFolder) {
  const std::string web = folder_.Path("web");
  files_.CreateFolder(web);
  PutFile(web + "\\page.htm", "old page");
  PutFile(folder_.Path("outside.htm"), "outside");
  const std::vector<std::string> links = {web + "\\inner.htm", web + "\\out.htm"};
  struct LinkRemover {
    const std::vector<std::string>& links;
    ~LinkRemover() { RunUnix({"/bin/rm", "-f"}, links); }
  } remover{links};
  if (!RunUnix({"/bin/ln", "-s", "page.htm"}, {links[0]}) ||
      !RunUnix({"/bin/ln", "-s", "../outside.htm"}, {links[1]})) {
    GTEST_SKIP() << "symbolic links of the Unix file system need Wine";
  }
  EXPECT_EQ(files_.ResolveInside(web, web + "\\page.htm"), web + "\\page.htm");
  EXPECT_EQ(files_.ResolveInside(web, web + "\\new.htm"), web + "\\new.htm");
  EXPECT_EQ(files_.ResolveInside(web, web + "\\out.htm"), std::nullopt);
  EXPECT_EQ(files_.ResolveInside(web, web + "\\..\\outside.htm"), std::nullopt);
  const std::optional<std::string> inner = files_.ResolveInside(web, web + "\\inner.htm");
  ASSERT_TRUE(inner.has_value());
  EXPECT_EQ(Lower(*inner), Lower(web + "\\page.htm"));

  auto writer = files_.CreateFileWriter(*inner);
  writer->Write("new page");
  writer->Commit();
  EXPECT_EQ(FileBytes(web + "\\page.htm"), "new page");
  EXPECT_EQ(FileBytes(web + "\\inner.htm"), "new page");
}

// A page path of 300 characters, past the system's limit of 260: its folders are made, the page
// is written, found, read, resolved inside its web and replaced in a transaction, as a short one.
TEST_F(Win32FileSystemTest, APagePathOf300CharactersWorksLikeAShortOne) {
  const std::string web = folder_.Path("web");
  files_.CreateFolder(web);
  std::string folder = web;
  while (folder.size() < 220) {
    folder += "\\" + std::string(50, 'f');
    files_.CreateFolder(folder);
    ASSERT_TRUE(files_.FolderExists(folder)) << folder.size();
  }
  const std::string page = folder + "\\" + std::string(300 - folder.size() - 5, 'p') + ".htm";
  ASSERT_EQ(page.size(), 300u);
  auto writer = files_.CreateFileWriter(page);
  writer->Write("<html>old</html>");
  writer->Commit();
  EXPECT_TRUE(files_.FileExists(page));
  EXPECT_EQ(files_.ReadWholeFile(page), "<html>old</html>");
  EXPECT_EQ(files_.ResolveInside(web, page), std::optional<std::string>(page));
  const std::unique_ptr<FileTransaction> staged = files_.BeginTransaction();
  auto staged_page = staged->Stage(page);
  staged_page->Write("<html>new</html>");
  staged_page->Commit();
  staged->Commit();
  EXPECT_EQ(files_.ReadWholeFile(page), "<html>new</html>");

  const std::wstring long_name(300, L'a');
  EXPECT_EQ(SystemPath(L"C:\\" + long_name), L"\\\\?\\C:\\" + long_name);
  EXPECT_EQ(SystemPath(L"C:/x/../" + long_name), L"\\\\?\\C:\\" + long_name);
  EXPECT_EQ(SystemPath(L"\\\\server\\share\\" + long_name),
            L"\\\\?\\UNC\\server\\share\\" + long_name);
  EXPECT_EQ(SystemPath(L"\\\\?\\C:\\" + long_name), L"\\\\?\\C:\\" + long_name);
  EXPECT_EQ(SystemPath(L"C:\\short\\page.htm"), L"C:\\short\\page.htm");
}

}  // namespace
}  // namespace kestrova::win32

namespace kestrova::testing {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FileWriterContract, ::testing::Types<win32::Win32WriterSide>);
}  // namespace kestrova::testing
