// Copying and deleting help folders as the update does, on the real disk:
// nested folders, read-only content, links that point outside, long paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "win32/win32_test_support.h"

namespace {

using platform::win32::ScopedFileHandle;
using win32_test::Exists;
using win32_test::FinalPath;
using win32_test::IsReadOnly;
using win32_test::MakeFolder;
using win32_test::Names;
using win32_test::ReadBytes;
using win32_test::ScratchFolder;
using win32_test::SetReadOnly;
using win32_test::SetWriteTime;
using win32_test::Utf8;
using win32_test::WriteBytes;
using win32_test::WriteTime;
using Listing = std::vector<std::wstring>;

void MakeHelpTree(const std::wstring& root) {
  MakeFolder(root);
  MakeFolder(root + L"\\Capitoli");
  MakeFolder(root + L"\\Capitoli\\Immagini");
  WriteBytes(root + L"\\indice.htm", "new indice");
  WriteBytes(root + L"\\Capitoli\\uno.htm", "new uno");
  WriteBytes(root + L"\\Capitoli\\Immagini\\logo.png", "new logo");
  SetReadOnly(root + L"\\Capitoli\\Immagini\\logo.png", true);  // as from a disc
}

TEST(CopyFolderTest, NestedTreeReplacesSameNamesAndKeepsTheRest) {
  ScratchFolder media;
  ScratchFolder installation;
  const std::wstring source = media / L"GuidaLindarex";
  const std::wstring guida = installation / L"Guida";
  MakeHelpTree(source);
  MakeFolder(guida);
  MakeFolder(guida + L"\\Capitoli");
  WriteBytes(guida + L"\\indice.htm", "old indice");
  WriteBytes(guida + L"\\note.txt", "the user's own notes");
  WriteBytes(guida + L"\\Capitoli\\uno.htm", "old uno");
  SetReadOnly(guida + L"\\Capitoli\\uno.htm", true);

  auto fs = platform::CreateFileSystemObject();
  ASSERT_EQ(fs->CopyFolder(source, guida), platform::kErrorSuccess);
  EXPECT_EQ(Names(guida), (Listing{L"Capitoli\\", L"indice.htm", L"note.txt"}));
  EXPECT_EQ(Names(guida + L"\\Capitoli"), (Listing{L"Immagini\\", L"uno.htm"}));
  EXPECT_EQ(Names(guida + L"\\Capitoli\\Immagini"), Listing{L"logo.png"});
  EXPECT_EQ(ReadBytes(guida + L"\\indice.htm"), "new indice");
  EXPECT_EQ(ReadBytes(guida + L"\\note.txt"), "the user's own notes");
  EXPECT_EQ(ReadBytes(guida + L"\\Capitoli\\uno.htm"), "new uno");
  EXPECT_EQ(ReadBytes(guida + L"\\Capitoli\\Immagini\\logo.png"), "new logo");
  EXPECT_FALSE(IsReadOnly(guida + L"\\Capitoli\\uno.htm"));
  EXPECT_FALSE(IsReadOnly(guida + L"\\Capitoli\\Immagini\\logo.png"));
}

// A help file whose installed counterpart has the same size and last-write
// time is left as it is, a held one too: trusted by its stamp, as installed
// bytes that differ under the same stamp show. Any other difference is
// replaced, in every folder of the tree.
TEST(AlreadyInPlaceTest, SameStampIsLeftAnythingElseReplaced) {
  constexpr long long kSecond = 10000000;
  constexpr long long kTime = 13300000000LL * kSecond;
  struct Case {
    const wchar_t* name;
    const char* installed;  // the media hold "new bytes" in every file
    long long apart;        // installed time minus the media's
    bool held;
    bool replaced;
  };
  const Case cases[] = {
      {L"same.htm", "same size", 0, false, false},
      {L"held.htm", "held file", 0, true, false},
      {L"Capitoli\\same.htm", "same size", 0, false, false},
      {L"older.htm", "older one", -3 * kSecond, false, true},
      {L"newer.htm", "newer one", 3 * kSecond, false, true},
      {L"tick.htm", "a tick on", 1, false, true},
      {L"Capitoli\\longer.htm", "longer than new", 0, false, true},
  };
  ScratchFolder media;
  ScratchFolder installation;
  const std::wstring source = media / L"GuidaLindarex";
  const std::wstring guida = installation / L"Guida";
  for (const std::wstring& root : {source, guida}) {
    MakeFolder(root);
    MakeFolder(root + L"\\Capitoli");
  }
  ScopedFileHandle held;
  for (const Case& c : cases) {
    WriteBytes(source + L"\\" + c.name, "new bytes");
    SetWriteTime(source + L"\\" + c.name, kTime);
    WriteBytes(guida + L"\\" + c.name, c.installed);
    SetWriteTime(guida + L"\\" + c.name, kTime + c.apart);
    if (!c.held) continue;
    held.reset(::CreateFileW((guida + L"\\" + c.name).c_str(), GENERIC_READ, 0, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid());
  }

  auto fs = platform::CreateFileSystemObject();
  EXPECT_EQ(fs->CopyFolder(source, guida), platform::kErrorSuccess);
  held.reset(INVALID_HANDLE_VALUE);
  for (const Case& c : cases) {
    EXPECT_EQ(ReadBytes(guida + L"\\" + c.name), c.replaced ? "new bytes" : c.installed)
        << Utf8(c.name);
    // A copy bears the media's time, so that the next run finds it in place.
    EXPECT_EQ(WriteTime(guida + L"\\" + c.name),
              static_cast<unsigned long long>(kTime + (c.replaced ? 0 : c.apart)))
        << Utf8(c.name);
  }
  EXPECT_EQ(Names(guida).size(), 6u);  // no temporary left
  EXPECT_EQ(Names(guida + L"\\Capitoli").size(), 2u);
}

TEST(CopyFolderTest, MissingSourceCreatesNothing) {
  ScratchFolder media;
  ScratchFolder installation;
  auto fs = platform::CreateFileSystemObject();
  EXPECT_EQ(fs->CopyFolder(media / L"GuidaLindarex", installation / L"Guida"),
            platform::kErrorPathNotFound);
  EXPECT_EQ(Names(installation.path()), Listing{});
}

// A destination inside the source (the media named as the installation)
// would make the copy feed on itself; it is refused before anything is made.
TEST(CopyFolderTest, DestinationInsideTheSourceIsRefused) {
  ScratchFolder media;
  const std::wstring source = media / L"GuidaLindarex";
  MakeHelpTree(source);
  auto fs = platform::CreateFileSystemObject();
  for (const std::wstring& inside :
       {source, source + L"\\Guida", media / L"guidalindarex\\Guida"}) {
    EXPECT_EQ(fs->CopyFolder(source, inside), platform::kErrorInvalidParameter) << Utf8(inside);
    EXPECT_EQ(Names(source), (Listing{L"Capitoli\\", L"indice.htm"}));
  }
  // A sibling whose name only begins like the source is not inside it.
  EXPECT_EQ(fs->CopyFolder(source, source + L"2"), platform::kErrorSuccess);
}

// A folder whose deleted children a virus scanner or the indexer still
// holds ("delete pending") answers that it is not empty, for a while.
int not_empty_answers = 0;
BOOL WINAPI StillEmptying(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info, DWORD size) {
  FILE_STANDARD_INFO standard{};
  ::GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard);
  if (kind != FileDispositionInfo || !standard.Directory || not_empty_answers == 0) {
    return ::SetFileInformationByHandle(file, kind, info, size);
  }
  --not_empty_answers;
  ::SetLastError(ERROR_DIR_NOT_EMPTY);
  return FALSE;
}

TEST(DeleteFolderTest, ReadOnlyContentIsNotForced) {
  struct Case {
    const char* what;
    bool read_only_file;
    platform::Status expected;
    Listing left;  // what stays of the folder; empty: the folder is gone
    int not_empty_answers = 0;
  };
  const Case cases[] = {
      {"plain tree", false, platform::kErrorSuccess, {}},
      {"read-only file inside", true, platform::kErrorAccessDenied, {L"Capitoli\\"}},
      {"children still delete pending", false, platform::kErrorSuccess, {}, 3},
  };
  for (const Case& c : cases) {
    const win32_test::SystemCallsKept kept;
    platform::win32::System.SetFileInformationByHandle = StillEmptying;
    platform::win32::System.pause_ms = 0;
    not_empty_answers = c.not_empty_answers;
    ScratchFolder media;
    const std::wstring help = media / L"GuidaLindarex";
    MakeHelpTree(help);
    if (!c.read_only_file) SetReadOnly(help + L"\\Capitoli\\Immagini\\logo.png", false);
    auto fs = platform::CreateFileSystemObject();
    EXPECT_EQ(fs->DeleteFolder(help), c.expected) << c.what;
    EXPECT_EQ(Exists(help), !c.left.empty()) << c.what;
    if (!c.left.empty()) {
      EXPECT_EQ(Names(help), c.left) << c.what;
      EXPECT_EQ(ReadBytes(help + L"\\Capitoli\\Immagini\\logo.png"), "new logo") << c.what;
    }
  }
}

// What Windows answers for a folder it cannot look at (access denied, a
// network error), in place of Wine's answer.
DWORD attributes_refusal = ERROR_SUCCESS;
DWORD WINAPI AttributesRefused(LPCWSTR path) {
  if (attributes_refusal == ERROR_SUCCESS) return ::GetFileAttributesW(path);
  ::SetLastError(attributes_refusal);
  return INVALID_FILE_ATTRIBUTES;
}

// Only a folder that is not there, or a file of its name, is absent; one that
// cannot be looked at is not taken for absent.
TEST(FolderExistsTest, OnlyFoldersCountAndOnlyNotFoundIsAbsent) {
  ScratchFolder media;
  MakeFolder(media / L"GuidaLindarex");
  WriteBytes(media / L"Lindarex.exe", "exe");
  const struct {
    std::wstring path;
    DWORD refusal;
    platform::Status expected;
    bool exists;
  } cases[] = {
      {media / L"GuidaLindarex", ERROR_SUCCESS, platform::kErrorSuccess, true},
      {media / L"GuidaLindarex\\", ERROR_SUCCESS, platform::kErrorSuccess, true},
      {media / L"Lindarex.exe", ERROR_SUCCESS, platform::kErrorSuccess, false},
      {media / L"Manca", ERROR_SUCCESS, platform::kErrorSuccess, false},
      {media / L"Manca\\Guida", ERROR_SUCCESS, platform::kErrorSuccess, false},
      {media / L"GuidaLindarex", ERROR_ACCESS_DENIED, platform::kErrorAccessDenied, false},
      {media / L"GuidaLindarex", ERROR_BAD_NETPATH, ERROR_BAD_NETPATH, false},
  };
  const win32_test::SystemCallsKept kept;
  platform::win32::System.GetFileAttributesW = AttributesRefused;
  auto fs = platform::CreateFileSystemObject();
  for (const auto& c : cases) {
    attributes_refusal = c.refusal;
    bool exists = !c.exists;
    EXPECT_EQ(fs->FolderExists(c.path, &exists), c.expected) << Utf8(c.path) << " " << c.refusal;
    EXPECT_EQ(exists, c.exists) << Utf8(c.path) << " " << c.refusal;
  }
}

// Paths longer than MAX_PATH, given as the update gives them (no prefix).
TEST(LongPathTest, EveryOperationReachesPastMaxPath) {
  ScratchFolder scratch;
  std::wstring deep = scratch.path();
  for (int level = 0; level < 5; ++level) {
    deep += L"\\" + std::wstring(60, static_cast<wchar_t>(L'a' + level));
    MakeFolder(deep);
  }
  ASSERT_GT(deep.size(), 300u);
  const std::wstring media = deep + L"\\Upd";
  const std::wstring installation = deep + L"\\Lindarex";
  MakeFolder(media);
  MakeFolder(installation);
  WriteBytes(media + L"\\Lindarex.exe", "new exe");
  WriteBytes(installation + L"\\Lindarex.exe", "old exe");
  MakeHelpTree(media + L"\\GuidaLindarex");

  auto fs = platform::CreateFileSystemObject();
  bool exists = false;
  EXPECT_EQ(fs->FolderExists(media + L"\\GuidaLindarex", &exists), platform::kErrorSuccess);
  EXPECT_TRUE(exists);
  EXPECT_EQ(fs->CopyFile(media + L"\\Lindarex.exe", installation + L"\\Lindarex.exe"),
            platform::kErrorSuccess);
  EXPECT_EQ(ReadBytes(installation + L"\\Lindarex.exe"), "new exe");
  EXPECT_EQ(fs->CopyFolder(media + L"\\GuidaLindarex", installation + L"\\Guida"),
            platform::kErrorSuccess);
  EXPECT_EQ(ReadBytes(installation + L"\\Guida\\Capitoli\\Immagini\\logo.png"), "new logo");
  EXPECT_EQ(fs->DeleteFile(media + L"\\Lindarex.exe"), platform::kErrorSuccess);
  SetReadOnly(media + L"\\GuidaLindarex\\Capitoli\\Immagini\\logo.png", false);
  EXPECT_EQ(fs->DeleteFolder(media + L"\\GuidaLindarex"), platform::kErrorSuccess);
  EXPECT_EQ(Names(media), Listing{});
}

// Texts of unknown length (a full path, a final path, the current folder)
// from a call that answers as GetCurrentDirectoryW does, or as some versions
// may: the size needed without its null, or a text that grows in between.
TEST(LongPathTest, TextsOfAnyLengthAreReadWholeOrNotAtAll) {
  struct Case {
    std::size_t length;
    DWORD null_counted;  // 1 when a call too short counts the null
    std::size_t grown;   // characters the text gains after the first call
    std::size_t read;    // 0 for no text
  } const cases[] = {{12, 1, 0, 12}, {300, 1, 0, 300}, {300, 0, 0, 300}, {300, 1, 50, 0}};
  for (const Case& c : cases) {
    std::wstring text(c.length, L'x');
    int calls = 0;
    const std::wstring read = platform::win32::TextOf([&](wchar_t* buffer, DWORD size) {
      if (calls++ == 1) text.append(c.grown, L'y');
      if (text.size() >= size) return static_cast<DWORD>(text.size()) + c.null_counted;
      std::copy(text.begin(), text.end(), buffer);
      buffer[text.size()] = L'\0';
      return static_cast<DWORD>(text.size());
    });
    EXPECT_EQ(read, text.substr(0, c.read)) << c.length << " " << c.null_counted << " " << c.grown;
  }
}

// A tree with links inside, made where the platform allows: by the test run
// beforehand (Wine cannot make links itself) or else here.
class LinkFixture {
 public:
  // The folder holding "outside" (a file inside), "outside-empty", and
  // "source" with a link to each of them, or empty when no links can be had.
  static std::wstring Folder(const char* which) {
    const char* prepared = std::getenv("QUADRIVO_LINK_FIXTURE");
    if (prepared == nullptr) return std::wstring();
    std::wstring folder(prepared, prepared + std::char_traits<char>::length(prepared));
    for (wchar_t& c : folder) {
      if (c == L'/') c = L'\\';
    }
    return folder + L"\\" + std::wstring(which, which + std::char_traits<char>::length(which));
  }
};

bool IsLink(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

TEST(LinkTest, CopyFolderSkipsLinksInsideTheSource) {
  const std::wstring fixture = LinkFixture::Folder("for-copy");
  if (fixture.empty()) GTEST_SKIP() << "no link fixture prepared for this run";
  ASSERT_TRUE(IsLink(fixture + L"\\source\\to-outside"));
  ScratchFolder installation;
  auto fs = platform::CreateFileSystemObject();
  ASSERT_EQ(fs->CopyFolder(fixture + L"\\source", installation / L"Guida"),
            platform::kErrorSuccess);
  EXPECT_EQ(Names(installation / L"Guida"), (Listing{L"Capitoli\\", L"indice.htm"}));
  EXPECT_EQ(Names(installation / L"Guida\\Capitoli"), Listing{L"uno.htm"});
}

// Deleting the media's help folder never reaches through a link: the folders
// it points to and their files stay. Where the platform can remove the link
// itself the folder goes; where it cannot (Wine), the delete fails and the
// link stays, rather than the link's target going.
TEST(LinkTest, DeleteFolderNeverReachesThroughALink) {
  const std::wstring fixture = LinkFixture::Folder("for-delete");
  if (fixture.empty()) GTEST_SKIP() << "no link fixture prepared for this run";
  ASSERT_TRUE(IsLink(fixture + L"\\source\\to-outside"));
  auto fs = platform::CreateFileSystemObject();
  const platform::Status status = fs->DeleteFolder(fixture + L"\\source");
  EXPECT_EQ(ReadBytes(fixture + L"\\outside\\keep.txt"), "outside");
  bool exists = false;
  EXPECT_EQ(fs->FolderExists(fixture + L"\\outside-empty", &exists), platform::kErrorSuccess);
  EXPECT_TRUE(exists);
  EXPECT_EQ(Exists(fixture + L"\\source"), status != platform::kErrorSuccess) << status;
  if (status != platform::kErrorSuccess) {
    // Everything but the links themselves is gone.
    EXPECT_EQ(Names(fixture + L"\\source"), (Listing{L"Capitoli\\", L"to-outside\\"}));
    EXPECT_EQ(Names(fixture + L"\\source\\Capitoli"), Listing{L"to-outside-empty\\"});
  }
}

// The cleanup after a killed run takes only plain files of the temporaries'
// naming: a folder of that name, what it holds or links to, and a second name
// of a file elsewhere all stay, whoever made them.
TEST(LinkTest, CleanupTakesOnlyAbandonedTemporaryFiles) {
  const std::wstring fixture = LinkFixture::Folder("for-cleanup");
  if (fixture.empty()) GTEST_SKIP() << "no link fixture prepared for this run";
  const std::wstring dead = L"~Quadrivo-2147483644";
  ASSERT_TRUE(IsLink(fixture + L"\\installed\\" + dead + L"\\to-outside"));
  ScratchFolder media;
  WriteBytes(media / L"indice.htm", "new indice");
  auto fs = platform::CreateFileSystemObject();
  ASSERT_EQ(fs->CopyFolder(media.path(), fixture + L"\\installed"), platform::kErrorSuccess);
  EXPECT_EQ(Names(fixture + L"\\installed"),
            (Listing{L"indice.htm", dead + L"-3.tmp", dead + L"\\"}));
  EXPECT_EQ(Names(fixture + L"\\installed\\" + dead),
            (Listing{L"Capitoli\\", L"appunti.txt", L"to-outside\\"}));
  EXPECT_EQ(ReadBytes(fixture + L"\\installed\\" + dead + L"\\Capitoli\\uno.htm"), "the user's");
  EXPECT_EQ(Names(fixture + L"\\outside"), Listing{L"keep.txt"});
  EXPECT_EQ(ReadBytes(fixture + L"\\outside\\keep.txt"), "outside");
}

// A link in the installed help, as a subfolder of Guida or as Guida itself,
// would take the copies outside the installation: the copy of the help fails
// there, and nothing outside is written.
TEST(LinkTest, CopyFolderNeverWritesThroughALinkInTheInstalledHelp) {
  for (const char* tree : {"for-guida-subfolder", "for-guida-itself"}) {
    const std::wstring fixture = LinkFixture::Folder(tree);
    if (fixture.empty()) GTEST_SKIP() << "no link fixture prepared for this run";
    ASSERT_TRUE(IsLink(fixture + L"\\installed\\Guida") ||
                IsLink(fixture + L"\\installed\\Guida\\Capitoli"));
    auto fs = platform::CreateFileSystemObject();
    EXPECT_EQ(fs->CopyFolder(fixture + L"\\media", fixture + L"\\installed\\Guida"),
              ERROR_REPARSE_ATTRIBUTE_CONFLICT)
        << tree;
    EXPECT_EQ(Names(fixture + L"\\outside"), Listing{L"keep.txt"}) << tree;
    EXPECT_EQ(ReadBytes(fixture + L"\\outside\\keep.txt"), "outside") << tree;
  }
}

// File systems that answer fewer information classes than NTFS: FAT and
// exFAT refuse FileAttributeTagInfo and the file-id listings with
// ERROR_INVALID_PARAMETER (Microsoft's fastfat sample has no case for
// them), an older server may refuse a listing class with
// ERROR_INVALID_LEVEL. An update and the removal of its media go through
// all the same, on the classes each does answer.
using platform::win32::System;
FILE_INFORMATION_CLASS refused_listing = FileMaximumInformation;
NTSTATUS listing_refusal = 0;

BOOL WINAPI FatInformation(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info, DWORD size) {
  if (kind == FileAttributeTagInfo || kind == FileIdBothDirectoryInfo ||
      kind == FileIdBothDirectoryRestartInfo) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ::GetFileInformationByHandleEx(file, kind, info, size);
}

NTSTATUS NTAPI ListingAnswers(HANDLE folder, HANDLE event, PIO_APC_ROUTINE routine, PVOID context,
                              PIO_STATUS_BLOCK io, PVOID buffer, ULONG size,
                              FILE_INFORMATION_CLASS kind, BOOLEAN single, PUNICODE_STRING name,
                              BOOLEAN restart) {
  if (kind == refused_listing) return listing_refusal;
  return platform::win32::NtdllFunction<platform::win32::QueryDirectoryFileFunction>(
      "NtQueryDirectoryFile")(folder, event, routine, context, io, buffer, size, kind, single, name,
                              restart);
}

// What a listing and a handle show of one help page (shown_name) where the
// file system has more to say than Wine: a reparse point's tag, or a name no
// file system gives (a hostile server may give any).
std::wstring shown_name;
DWORD shown_tag = 0;
std::optional<std::wstring> listed_as;
bool opened_through_filter = false;

bool IsShown(HANDLE file) {
  const std::wstring path = FinalPath(file);
  const std::wstring end = L"GuidaLindarex\\" + shown_name;
  return path.size() >= end.size() && path.compare(path.size() - end.size(), end.size(), end) == 0;
}

NTSTATUS NTAPI ListingShows(HANDLE folder, HANDLE event, PIO_APC_ROUTINE routine, PVOID context,
                            PIO_STATUS_BLOCK io, PVOID buffer, ULONG size,
                            FILE_INFORMATION_CLASS kind, BOOLEAN single, PUNICODE_STRING name,
                            BOOLEAN restart) {
  const NTSTATUS status =
      platform::win32::NtdllFunction<platform::win32::QueryDirectoryFileFunction>(
          "NtQueryDirectoryFile")(folder, event, routine, context, io, buffer, size, kind, single,
                                  name, restart);
  if (status < 0 || kind != FileFullDirectoryInformation) return status;
  for (auto* at = static_cast<BYTE*>(buffer);;) {
    auto& entry = *reinterpret_cast<FILE_FULL_DIR_INFORMATION*>(at);
    if (std::wstring(entry.FileName, entry.FileNameLength / sizeof(wchar_t)) == shown_name) {
      if (shown_tag != 0) {
        entry.FileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        entry.EaSize = shown_tag;
      }
      if (listed_as) {
        std::copy(listed_as->begin(), listed_as->end(), entry.FileName);
        entry.FileNameLength = static_cast<ULONG>(listed_as->size() * sizeof(wchar_t));
      }
    }
    if (entry.NextEntryOffset == 0) return status;
    at += entry.NextEntryOffset;
  }
}

BOOL WINAPI HandleShows(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info, DWORD size) {
  const bool shown = shown_tag != 0 && IsShown(file);
  if (shown && kind == FileAttributeTagInfo) {
    static_cast<FILE_ATTRIBUTE_TAG_INFO*>(info)->ReparseTag = shown_tag;
    return TRUE;
  }
  const BOOL answered = ::GetFileInformationByHandleEx(file, kind, info, size);
  if (shown && answered && kind == FileBasicInfo) {
    static_cast<FILE_BASIC_INFO*>(info)->FileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  }
  return answered;
}

NTSTATUS NTAPI OpenShows(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES object,
                         PIO_STATUS_BLOCK io, PLARGE_INTEGER size, ULONG attributes, ULONG share,
                         ULONG disposition, ULONG options, PVOID ea, ULONG ea_size) {
  const std::wstring name(object->ObjectName->Buffer, object->ObjectName->Length / sizeof(wchar_t));
  if (name == shown_name && (options & FILE_OPEN_REPARSE_POINT) == 0) opened_through_filter = true;
  return platform::win32::NtdllFunction<decltype(&::NtCreateFile)>("NtCreateFile")(
      file, access, object, io, size, attributes, share, disposition, options, ea, ea_size);
}

void Show(const wchar_t* name, DWORD tag, std::optional<std::wstring> as) {
  System.NtQueryDirectoryFile = ListingShows;
  System.GetFileInformationByHandleEx = HandleShows;
  System.NtCreateFile = OpenShows;
  shown_name = name;
  shown_tag = tag;
  listed_as = std::move(as);
  opened_through_filter = false;
}

// Only a reparse point whose tag names another file is a link. A cloud
// placeholder or a deduplicated help page is a page like any other: copied,
// read as its file system's filter gives it, and then removed from the
// media. A symbolic link is skipped, and removed as a link.
TEST(ReparsePointTest, OnlyNameSurrogatesAreLinks) {
  const struct {
    const char* what;
    DWORD tag;
    bool copied;
  } cases[] = {
      {"cloud placeholder", 0x9000601A /* IO_REPARSE_TAG_CLOUD_6 */, true},
      {"deduplicated file", 0x80000013 /* IO_REPARSE_TAG_DEDUP */, true},
      {"symbolic link", IO_REPARSE_TAG_SYMLINK, false},
  };
  for (const auto& c : cases) {
    const win32_test::SystemCallsKept kept;
    Show(L"pagina.htm", c.tag, std::nullopt);
    ScratchFolder media;
    ScratchFolder installation;
    MakeHelpTree(media / L"GuidaLindarex");
    SetReadOnly(media / L"GuidaLindarex\\Capitoli\\Immagini\\logo.png", false);
    WriteBytes(media / L"GuidaLindarex\\pagina.htm", "new pagina");

    auto fs = platform::CreateFileSystemObject();
    EXPECT_EQ(fs->CopyFolder(media / L"GuidaLindarex", installation / L"Guida"),
              platform::kErrorSuccess)
        << c.what;
    EXPECT_EQ(ReadBytes(installation / L"Guida\\pagina.htm"),
              c.copied ? std::optional<std::string>("new pagina") : std::nullopt)
        << c.what;
    EXPECT_EQ(opened_through_filter, c.copied) << c.what;
    EXPECT_EQ(fs->DeleteFolder(media / L"GuidaLindarex"), platform::kErrorSuccess) << c.what;
    EXPECT_EQ(Names(media.path()), Listing{}) << c.what;
  }
}

// The folder's own "." and ".." are passed over wherever a listing gives
// them; a name that holds a path's separator, or none, is never opened.
TEST(ListedNameTest, NamesNoFolderGivesAreNeverOpened) {
  const struct {
    std::wstring listed_as;
    platform::Status expected;
  } cases[] = {
      {L"..", platform::kErrorSuccess},
      {L"..\\x", ERROR_INVALID_NAME},
      {L"a:b", ERROR_INVALID_NAME},
  };
  for (const auto& c : cases) {
    const win32_test::SystemCallsKept kept;
    Show(L"indice.htm", 0, c.listed_as);
    ScratchFolder media;
    ScratchFolder installation;
    MakeHelpTree(media / L"GuidaLindarex");
    auto fs = platform::CreateFileSystemObject();
    EXPECT_EQ(fs->CopyFolder(media / L"GuidaLindarex", installation / L"Guida"), c.expected)
        << Utf8(c.listed_as);
    EXPECT_FALSE(Exists(installation / L"Guida\\indice.htm")) << Utf8(c.listed_as);
  }
}

TEST(FileSystemClassesTest, UpdateAndRemovalUseTheClassesEachAnswers) {
  struct Case {
    const char* what;
    FILE_INFORMATION_CLASS refused;
    NTSTATUS refusal;
  } const cases[] = {
      {"FAT", FileIdBothDirectoryInformation, static_cast<NTSTATUS>(0xC000000D)},
      {"older server", FileFullDirectoryInformation, static_cast<NTSTATUS>(0xC0000148)},
      {"no full listing", FileFullDirectoryInformation, static_cast<NTSTATUS>(0xC000000D)},
  };
  for (const Case& c : cases) {
    const win32_test::SystemCallsKept kept;
    System.GetFileInformationByHandleEx = FatInformation;
    System.NtQueryDirectoryFile = ListingAnswers;
    refused_listing = c.refused;
    listing_refusal = c.refusal;
    ScratchFolder media;
    ScratchFolder installation;
    MakeHelpTree(media / L"GuidaLindarex");
    SetReadOnly(media / L"GuidaLindarex\\Capitoli\\Immagini\\logo.png", false);
    WriteBytes(media / L"Lindarex.exe", "new exe");
    WriteBytes(installation / L"Lindarex.exe", "old exe");
    MakeFolder(installation / L"Guida");
    WriteBytes(installation / L"Guida\\indice.htm", "old indice");

    auto fs = platform::CreateFileSystemObject();
    EXPECT_EQ(fs->CopyFile(media / L"Lindarex.exe", installation / L"Lindarex.exe"),
              platform::kErrorSuccess)
        << c.what;
    EXPECT_EQ(fs->CopyFolder(media / L"GuidaLindarex", installation / L"Guida"),
              platform::kErrorSuccess)
        << c.what;
    EXPECT_EQ(fs->DeleteFolder(media / L"GuidaLindarex"), platform::kErrorSuccess) << c.what;
    EXPECT_EQ(fs->DeleteFile(media / L"Lindarex.exe"), platform::kErrorSuccess) << c.what;
    EXPECT_EQ(ReadBytes(installation / L"Lindarex.exe"), "new exe") << c.what;
    EXPECT_EQ(Names(installation / L"Guida"), (Listing{L"Capitoli\\", L"indice.htm"})) << c.what;
    EXPECT_EQ(ReadBytes(installation / L"Guida\\indice.htm"), "new indice") << c.what;
    EXPECT_EQ(ReadBytes(installation / L"Guida\\Capitoli\\Immagini\\logo.png"), "new logo")
        << c.what;
    EXPECT_EQ(Names(media.path()), Listing{}) << c.what;
  }
}

}  // namespace
