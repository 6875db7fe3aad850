// Copying one file as the update copies its executable, on the real disk.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "win32/win32_test_support.h"

// After Windows' headers as the platform layer includes them.
#include <aclapi.h>
#include <sddl.h>

namespace {

using platform::win32::ScopedFileHandle;
using platform::win32::ScopedLocalMemory;
using win32_test::Exists;
using win32_test::FinalPath;
using win32_test::IsReadOnly;
using win32_test::MakeFolder;
using win32_test::Names;
using win32_test::ReadBytes;
using win32_test::ScratchFolder;
using win32_test::SetReadOnly;
using win32_test::SetWriteTime;
using win32_test::WriteBytes;

const std::string kOld = "old Lindarex.exe";
const std::string kNew = "new Lindarex.exe, longer than the old one";

constexpr SECURITY_INFORMATION kAnyDaclSet = ~SECURITY_INFORMATION{0};

struct CopyCase {
  const char* what;
  bool installed_exists;
  bool installed_read_only;
  bool source_read_only;
  // Permissions put on the installed file itself (SDDL).
  const wchar_t* installed_dacl = nullptr;
  // What Windows calls answer that Wine answers otherwise (below).
  void (*answer)() = nullptr;
  platform::Status expected = platform::kErrorSuccess;
  // How the replacement's DACL is set: 0 when it is left as made; not
  // looked at when kAnyDaclSet (Wine makes a read-only file's DACL up from
  // its mode, unlike its replacement's).
  SECURITY_INFORMATION dacl_set = kAnyDaclSet;
  // The media file has a second name (a hard link) beside it.
  bool source_linked = false;
};

// Answers of Windows that Wine does not give, each as its documentation
// states it, put in place of the system's own through the table of calls.
using platform::win32::System;
SECURITY_INFORMATION dacl_set = 0;
DWORD dacl_query_refusal = ERROR_SUCCESS;

// The installed file's DACL: cut off from its folder's permissions, as NTFS
// keeps one, or refused with dacl_query_refusal (ERROR_INVALID_FUNCTION: a
// file system that keeps no security).
DWORD WINAPI DaclQuery(HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID*, PSID*, PACL* dacl,
                       PACL*, PSECURITY_DESCRIPTOR* descriptor) {
  if (dacl_query_refusal != ERROR_SUCCESS) return dacl_query_refusal;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;WD)", SDDL_REVISION_1,
                                                              descriptor, nullptr)) {
    return ::GetLastError();
  }
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  ::GetSecurityDescriptorDacl(*descriptor, &present, dacl, &defaulted);
  return ERROR_SUCCESS;
}

DWORD WINAPI RecordDaclSet(HANDLE file, SE_OBJECT_TYPE type, SECURITY_INFORMATION what, PSID owner,
                           PSID group, PACL dacl, PACL sacl) {
  dacl_set = what;
  return ::SetSecurityInfo(file, type, what, owner, group, dacl, sacl);
}

const auto kSetInformation =
    platform::win32::NtdllFunction<decltype(&::NtSetInformationFile)>("NtSetInformationFile");

constexpr NTSTATUS kStatusAccessDenied = static_cast<NTSTATUS>(0xC0000022);
constexpr NTSTATUS kStatusSharingViolation = static_cast<NTSTATUS>(0xC0000043);

// A rename this user may not make: FileRenameInformation refused with
// STATUS_ACCESS_DENIED.
NTSTATUS NTAPI RenameRefused(HANDLE file, PIO_STATUS_BLOCK io, PVOID info, ULONG size,
                             FILE_INFORMATION_CLASS kind) {
  if (kind == FileRenameInformation) return kStatusAccessDenied;
  return kSetInformation(file, io, info, size, kind);
}

// The installed file held by another program that does not share its
// deletion (a help viewer): an open of it for deletion, which a rename needs,
// is refused with STATUS_SHARING_VIOLATION.
NTSTATUS NTAPI InstalledHeld(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES object,
                             PIO_STATUS_BLOCK io, PLARGE_INTEGER size, ULONG attributes,
                             ULONG share, ULONG disposition, ULONG options, PVOID ea,
                             ULONG ea_size) {
  const std::wstring name(object->ObjectName->Buffer, object->ObjectName->Length / sizeof(wchar_t));
  if ((access & DELETE) != 0 && name == L"Lindarex.exe") return kStatusSharingViolation;
  return platform::win32::NtdllFunction<decltype(&::NtCreateFile)>("NtCreateFile")(
      file, access, object, io, size, attributes, share, disposition, options, ea, ea_size);
}

// Any open of an update's temporary after the one that made it refused: the
// program must take its place through the handle its publisher was checked on.
NTSTATUS NTAPI TemporaryNotReopened(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES object,
                                    PIO_STATUS_BLOCK io, PLARGE_INTEGER size, ULONG attributes,
                                    ULONG share, ULONG disposition, ULONG options, PVOID ea,
                                    ULONG ea_size) {
  const std::wstring name(object->ObjectName->Buffer, object->ObjectName->Length / sizeof(wchar_t));
  if (disposition != FILE_CREATE && name.find(L".tmp") != std::wstring::npos) {
    return kStatusSharingViolation;
  }
  return platform::win32::NtdllFunction<decltype(&::NtCreateFile)>("NtCreateFile")(
      file, access, object, io, size, attributes, share, disposition, options, ea, ea_size);
}

// The file a rename names, as Windows takes it: the name in the root folder
// given, or (the simple rename: no root, a bare name) in the file's own.
std::wstring RenameTarget(HANDLE file, const FILE_RENAME_INFORMATION& rename) {
  const std::wstring name(rename.FileName, rename.FileNameLength / sizeof(wchar_t));
  if (rename.RootDirectory != nullptr) return FinalPath(rename.RootDirectory) + L"\\" + name;
  const std::wstring own = FinalPath(file);
  return own.substr(0, own.rfind(L'\\') + 1) + name;
}

// Renames the file to target (a \\?\ path) by its full name, the form Wine
// takes for any rename.
NTSTATUS RenameTo(HANDLE file, PIO_STATUS_BLOCK io, const std::wstring& target) {
  const std::wstring full = L"\\??\\" + target.substr(4);
  std::vector<std::uint64_t> storage(
      (sizeof(FILE_RENAME_INFORMATION) + full.size() * sizeof(wchar_t)) / 8 + 1);
  auto& rename = *reinterpret_cast<FILE_RENAME_INFORMATION*>(storage.data());
  rename.ReplaceIfExists = TRUE;
  rename.FileNameLength = static_cast<ULONG>(full.size() * sizeof(wchar_t));
  std::copy(full.begin(), full.end(), rename.FileName);
  return kSetInformation(file, io, &rename, static_cast<ULONG>(storage.size() * 8),
                         FileRenameInformation);
}

// A share: the redirector passes a root folder on, and the server must
// refuse it (MS-SMB2 3.3.5.21.1); the simple rename it takes.
NTSTATUS NTAPI ShareRename(HANDLE file, PIO_STATUS_BLOCK io, PVOID info, ULONG size,
                           FILE_INFORMATION_CLASS kind) {
  if (kind != FileRenameInformation) return kSetInformation(file, io, info, size, kind);
  const auto& rename = *static_cast<FILE_RENAME_INFORMATION*>(info);
  if (rename.RootDirectory != nullptr) return static_cast<NTSTATUS>(0xC000000D);
  return RenameTo(file, io, RenameTarget(file, rename));
}

// FAT: a rename over a read-only file is a name collision (fastfat's
// FatSetRenameInfo).
NTSTATUS NTAPI FatRename(HANDLE file, PIO_STATUS_BLOCK io, PVOID info, ULONG size,
                         FILE_INFORMATION_CLASS kind) {
  if (kind != FileRenameInformation) return kSetInformation(file, io, info, size, kind);
  const std::wstring target = RenameTarget(file, *static_cast<FILE_RENAME_INFORMATION*>(info));
  if (IsReadOnly(target)) return static_cast<NTSTATUS>(0xC0000035);
  return RenameTo(file, io, target);
}

UINT WINAPI RemoteDrive(LPCWSTR) { return DRIVE_REMOTE; }

// Some network and FAT drivers give no file index.
BOOL WINAPI NoFileIndex(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information) {
  const BOOL answered = ::GetFileInformationByHandle(file, information);
  information->nFileIndexHigh = 0;
  information->nFileIndexLow = 0;
  return answered;
}

DWORD paused_ms = 0;
void WINAPI CountPause(DWORD ms) { paused_ms += ms; }

void DaclAnswers(DWORD refusal) {
  System.GetSecurityInfo = DaclQuery;
  dacl_query_refusal = refusal;
}

// The file's DACL as SDDL; empty when it cannot be read.
std::wstring DaclText(const std::wstring& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return L"";
  }
  const ScopedLocalMemory owned(descriptor);
  wchar_t* text = nullptr;
  if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
    return L"";
  }
  const ScopedLocalMemory owned_text(text);
  return text;
}

void SetDacl(const std::wstring& path, const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
  const ScopedLocalMemory owned(descriptor);
  ASSERT_TRUE(::SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor));
}

// Names the case in the test's name, as CTest lists it.
void PrintTo(const CopyCase& value, std::ostream* out) { *out << value.what; }

class CopyFileTest : public testing::TestWithParam<CopyCase> {
 protected:
  void SetUp() override {
    dacl_set = 0;
    System.SetSecurityInfo = RecordDaclSet;
    // Retries that do not wait.
    System.pause_ms = 0;
    if (GetParam().answer != nullptr) GetParam().answer();
  }

 private:
  win32_test::SystemCallsKept kept_;
};

// Whatever the attributes, the installed file ends up with the new bytes,
// writable (so that the next update can replace it), and nothing else is
// left in its folder: no temporary file.
TEST_P(CopyFileTest, ReplacesTheInstalledFileInOneStep) {
  const CopyCase& c = GetParam();
  ScratchFolder media;
  ScratchFolder installation;
  const std::wstring source = media / L"Lindarex.exe";
  const std::wstring installed = installation / L"Lindarex.exe";
  WriteBytes(source, kNew);
  if (c.source_read_only) SetReadOnly(source, true);
  if (c.source_linked) {
    ASSERT_TRUE(::CreateHardLinkW((media / L"Altro.exe").c_str(), source.c_str(), nullptr));
  }
  if (c.installed_exists) WriteBytes(installed, kOld);
  if (c.installed_read_only) SetReadOnly(installed, true);
  if (c.installed_dacl != nullptr) SetDacl(installed, c.installed_dacl);
  const std::wstring installed_dacl = DaclText(installed);
  // Wine makes a file's permissions up from its Unix mode, which holds only some.
  if (c.installed_dacl != nullptr && installed_dacl == DaclText(source)) {
    GTEST_SKIP() << "this file system keeps no such permissions on a file";
  }

  auto fs = platform::CreateFileSystemObject();
  ASSERT_NE(fs, nullptr);
  EXPECT_EQ(fs->CopyFile(source, installed), c.expected);
  EXPECT_EQ(Names(installation.path()), std::vector<std::wstring>{L"Lindarex.exe"});
  EXPECT_EQ(ReadBytes(source), kNew);
  if (c.dacl_set != kAnyDaclSet) {
    EXPECT_EQ(dacl_set, c.dacl_set);
  }
  if (c.expected != platform::kErrorSuccess) {
    EXPECT_EQ(ReadBytes(installed), kOld);
    return;
  }
  EXPECT_EQ(ReadBytes(installed), kNew);
  EXPECT_FALSE(IsReadOnly(installed));
  EXPECT_EQ(win32_test::WriteTime(installed), win32_test::WriteTime(source));
  // An administrator's entry on the installed file is never silently lost.
  if (c.installed_dacl != nullptr) {
    EXPECT_EQ(win32_test::Utf8(DaclText(installed)), win32_test::Utf8(installed_dacl));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Attributes, CopyFileTest,
    testing::Values(
        CopyCase{"new_file", false, false, false}, CopyCase{"onto_existing", true, false, false},
        CopyCase{"onto_read_only", true, true, false},
        CopyCase{"from_read_only_source", true, false, true},
        CopyCase{"read_only_both", true, true, true},
        CopyCase{"keeps_own_entry", true, false, false, L"D:(A;;FA;;;WD)", nullptr,
                 platform::kErrorSuccess,
                 DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION},
        CopyCase{"protected_dacl", true, false, false, nullptr, [] { DaclAnswers(0); },
                 platform::kErrorSuccess,
                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION},
        CopyCase{"no_security_kept", true, false, false, nullptr,
                 [] { DaclAnswers(ERROR_INVALID_FUNCTION); }, platform::kErrorSuccess, 0},
        // On a share the installed file's own DACL is neither kept nor set.
        CopyCase{"share_keeps_nothing", true, false, false, nullptr,
                 [] {
                   DaclAnswers(0);
                   System.GetDriveTypeW = RemoteDrive;
                 },
                 platform::kErrorSuccess, 0},
        CopyCase{"installed_held", true, false, false, nullptr,
                 [] { System.NtCreateFile = InstalledHeld; }, platform::kErrorSharingViolation},
        CopyCase{"rename_refused", true, false, false, nullptr,
                 [] { System.NtSetInformationFile = RenameRefused; }, platform::kErrorAccessDenied},
        CopyCase{"share_refuses_a_root_folder", true, false, false, nullptr,
                 [] { System.NtSetInformationFile = ShareRename; }},
        CopyCase{"read_only_on_fat", true, true, false, nullptr,
                 [] { System.NtSetInformationFile = FatRename; }},
        // Wine runs every program elevated.
        CopyCase{"media_file_with_a_second_name", true, false, false, nullptr, nullptr,
                 platform::kErrorMediaFileLinked, kAnyDaclSet, true},
        CopyCase{"program_put_through_its_checked_handle", true, false, false, nullptr,
                 [] { System.NtCreateFile = TemporaryNotReopened; }}));

// A package downloaded from the internet carries a mark of the web in a
// stream of each file; an installed copy that kept it would make Windows warn
// at every start of the program. Wine keeps no named streams, so there the
// mark cannot be made and the test says it was skipped.
TEST(CopyFileStreamsTest, MarkOfTheWebStaysOnTheMedia) {
  ScratchFolder media;
  ScratchFolder installation;
  const std::wstring source = media / L"Lindarex.exe";
  const std::wstring installed = installation / L"Lindarex.exe";
  WriteBytes(source, kNew);
  const ScopedFileHandle mark(::CreateFileW((source + L":Zone.Identifier").c_str(), GENERIC_WRITE,
                                            0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                            nullptr));
  if (!mark.valid() || ReadBytes(source) != kNew || !ReadBytes(source + L":Zone.Identifier")) {
    GTEST_SKIP() << "this file system keeps no named streams";
  }
  auto fs = platform::CreateFileSystemObject();
  ASSERT_NE(fs, nullptr);
  ASSERT_EQ(fs->CopyFile(source, installed), platform::kErrorSuccess);
  EXPECT_EQ(ReadBytes(installed), kNew);
  EXPECT_FALSE(ReadBytes(installed + L":Zone.Identifier"));
}

// The Restart Manager of one question: the file registered, the list it
// answers, and holders that appear once the list has been sized.
using platform::FileHolder;
std::wstring registered;
std::vector<FileHolder> listed, appearing;
DWORD list_failure = 0;
int lists_asked = 0;

DWORD WINAPI StartSession(DWORD* session, DWORD, WCHAR key[]) { return *session = *key = 0; }
DWORD WINAPI EndSession(DWORD) { return ERROR_SUCCESS; }
DWORD WINAPI Register(DWORD, UINT, LPCWSTR files[], UINT, RM_UNIQUE_PROCESS[], UINT, LPCWSTR[]) {
  registered = files[0];
  return ERROR_SUCCESS;
}
DWORD WINAPI List(DWORD, UINT* needed, UINT* count, RM_PROCESS_INFO found[], LPDWORD) {
  if (list_failure != 0) return list_failure;
  if (++lists_asked == 2) listed.insert(listed.end(), appearing.begin(), appearing.end());
  *needed = static_cast<UINT>(listed.size());
  if (*count < *needed) return ERROR_MORE_DATA;
  DWORD session = 0;
  ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
  for (UINT i = 0; i < *needed; ++i) {
    found[i] = RM_PROCESS_INFO{};
    wcsncpy(found[i].strAppName, listed[i].name.c_str(), CCH_RM_MAX_APP_NAME);
    found[i].TSSessionId = session + (listed[i].other_session ? 1 : 0);
  }
  *count = *needed;
  return ERROR_SUCCESS;
}

// Holders as one text, another session's marked with a star.
std::wstring Named(const std::vector<FileHolder>& holders) {
  std::wstring text;
  for (const FileHolder& holder : holders)
    text += holder.name + (holder.other_session ? L"* " : L" ");
  return text;
}

// A running program holds its executable: the copy is retried for about two
// seconds (the pauses are counted, not waited), then fails as in use (not as
// wanting rights, which would start an elevated run for nothing), leaving the
// old bytes and no temporary file.
TEST(CopyFileInUseTest, FailsAfterRetryingAndKeepsTheOldFile) {
  ScratchFolder media;
  ScratchFolder installation;
  const std::wstring source = media / L"Lindarex.exe";
  const std::wstring installed = installation / L"Lindarex.exe";
  WriteBytes(source, kNew);
  WriteBytes(installed, kOld);
  ScopedFileHandle running(::CreateFileW(installed.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(running.valid());

  // Who holds it is then asked of the Restart Manager, about that file.
  const struct {
    std::vector<FileHolder> listed, appearing;
    DWORD failure;
    const wchar_t* named;
  } kAnswers[] = {
      {{{L"Lindarex", true}, {L"Lindarex", true}}, {}, 0, L"Lindarex* "},  // another user's, once
      {{{L"Lindarex", false}}, {{L"HTML Help", false}}, 0, L"Lindarex HTML Help "},  // it grows
      {{{L"Lindarex", false}}, {}, ERROR_ACCESS_DENIED, L""},
  };
  const win32_test::SystemCallsKept kept;
  System.Sleep = CountPause;
  System.RmStartSession = StartSession;
  System.RmRegisterResources = Register;
  System.RmGetList = List;
  System.RmEndSession = EndSession;
  for (const auto& answer : kAnswers) {
    listed = answer.listed;
    appearing = answer.appearing;
    list_failure = answer.failure;
    lists_asked = 0;
    paused_ms = 0;
    auto fs = platform::CreateFileSystemObject();
    EXPECT_EQ(fs->CopyFile(source, installed), platform::kErrorSharingViolation);
    EXPECT_GE(paused_ms, 1500u);
    EXPECT_LE(paused_ms, 3000u);
    EXPECT_EQ(Names(installation.path()), std::vector<std::wstring>{L"Lindarex.exe"});
    EXPECT_EQ(Named(fs->HoldersOfHeldFile()), answer.named);
    EXPECT_EQ(registered, installed);
  }
  running.reset(INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadBytes(installed), kOld);
}

// A running program that is already the new one is left alone: nothing is
// retried or replaced. One of another size is replaced even with the same
// time.
TEST(CopyFileInUseTest, UnchangedExecutableIsLeftAlone) {
  struct Case {
    const char* what;
    std::string installed;
    bool held;
    platform::Status expected;
    bool file_index = true;
  };
  const Case cases[] = {
      {"the new one, running", kNew, true, platform::kErrorSuccess},
      {"the old one at the same time", kOld, false, platform::kErrorSuccess},
      // It may be the media's own file under another name: removing the
      // media would remove it.
      {"the new one, without a file index", kNew, false, platform::kErrorInvalidParameter, false},
  };
  for (const Case& c : cases) {
    const win32_test::SystemCallsKept kept;
    if (!c.file_index) System.GetFileInformationByHandle = NoFileIndex;
    ScratchFolder media;
    ScratchFolder installation;
    const std::wstring source = media / L"Lindarex.exe";
    const std::wstring installed = installation / L"Lindarex.exe";
    WriteBytes(source, kNew);
    WriteBytes(installed, c.installed);
    SetWriteTime(source, 13300000000ULL * 10000000);
    SetWriteTime(installed, 13300000000ULL * 10000000);
    ScopedFileHandle running(c.held ? ::CreateFileW(installed.c_str(), GENERIC_READ, 0, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                    : INVALID_HANDLE_VALUE);
    ASSERT_EQ(running.valid(), c.held) << c.what;

    auto fs = platform::CreateFileSystemObject();
    EXPECT_EQ(fs->CopyFile(source, installed), c.expected) << c.what;
    running.reset(INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadBytes(installed), kNew) << c.what;
    EXPECT_EQ(Names(installation.path()), std::vector<std::wstring>{L"Lindarex.exe"}) << c.what;
  }
}

TEST(CopyFileFailureTest, MissingSourceOrFolderChangesNothing) {
  struct Case {
    const char* what;
    bool source_exists;
    const wchar_t* destination_name;
    platform::Status expected;
  };
  const Case cases[] = {
      {"missing source", false, L"Lindarex.exe", platform::kErrorFileNotFound},
      {"missing destination folder", true, L"Manca\\Lindarex.exe", platform::kErrorPathNotFound},
  };
  for (const Case& c : cases) {
    ScratchFolder media;
    ScratchFolder installation;
    const std::wstring source = media / L"Lindarex.exe";
    if (c.source_exists) WriteBytes(source, kNew);
    WriteBytes(installation / L"Lindarex.exe", kOld);

    auto fs = platform::CreateFileSystemObject();
    EXPECT_EQ(fs->CopyFile(source, installation / c.destination_name), c.expected) << c.what;
    EXPECT_EQ(ReadBytes(installation / L"Lindarex.exe"), kOld) << c.what;
    EXPECT_EQ(Names(installation.path()), std::vector<std::wstring>{L"Lindarex.exe"}) << c.what;
  }
}

// A file named twice (another case, a "..", a doubled backslash) is still
// one file: copying it onto itself is refused and the file stays as it was.
TEST(CopyFileOntoItselfTest, IsRefusedAndKeepsTheFile) {
  ScratchFolder media;
  const std::wstring file = media / L"Lindarex.exe";
  WriteBytes(file, kNew);
  const std::wstring same_names[] = {file, media / L"LINDAREX.EXE",
                                     media / L"Guida\\..\\Lindarex.exe",
                                     media.path() + L"\\\\Lindarex.exe"};
  auto fs = platform::CreateFileSystemObject();
  for (const std::wstring& same : same_names) {
    EXPECT_EQ(fs->CopyFile(file, same), platform::kErrorInvalidParameter) << win32_test::Utf8(same);
    EXPECT_EQ(ReadBytes(file), kNew);
    EXPECT_EQ(Names(media.path()), std::vector<std::wstring>{L"Lindarex.exe"});
  }
}

TEST(DeleteFileTest, ReadOnlyFileIsNotForced) {
  struct Case {
    const char* what;
    bool exists;
    bool read_only;
    platform::Status expected;
  };
  const Case cases[] = {
      {"plain file", true, false, platform::kErrorSuccess},
      {"read-only file", true, true, platform::kErrorAccessDenied},
      {"missing file", false, false, platform::kErrorFileNotFound},
  };
  for (const Case& c : cases) {
    ScratchFolder media;
    const std::wstring file = media / L"Lindarex.exe";
    if (c.exists) WriteBytes(file, kNew);
    if (c.read_only) SetReadOnly(file, true);
    auto fs = platform::CreateFileSystemObject();
    EXPECT_EQ(fs->DeleteFile(file), c.expected) << c.what;
    EXPECT_EQ(Exists(file), c.read_only) << c.what;
  }
}

}  // namespace
