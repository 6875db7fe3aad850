// One folder or file under other names than its own (a short name, a second
// drive letter, a hard link): the file system's answer to "the same?" and
// "inside?" goes by identity, not by spelling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "win32/win32_test_support.h"

namespace {

using win32_test::MakeFolder;
using win32_test::Names;
using win32_test::ReadBytes;
using win32_test::ScratchFolder;
using win32_test::Utf8;
using win32_test::WriteBytes;
using Listing = std::vector<std::wstring>;

// The folder by another drive letter. Under Wine, drive Z: shows the host's
// whole file system and so the prefix's drive C: a second time; on Windows a
// drive letter is defined for it, as subst does, and removed when it goes.
class SecondDriveLetter {
 public:
  explicit SecondDriveLetter(const std::wstring& folder) {
    wchar_t prefix[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
    if (length > 0 && length < MAX_PATH && folder.compare(0, 3, L"C:\\") == 0) {
      name_ = L"Z:" + std::wstring(prefix, length) + L"\\drive_c" + folder.substr(2);
      for (wchar_t& c : name_) c = c == L'/' ? L'\\' : c;
      return;
    }
    const DWORD used = ::GetLogicalDrives();
    for (wchar_t letter = L'Z'; letter >= L'M'; --letter) {
      if ((used & (1u << (letter - L'A'))) != 0) continue;
      drive_ = std::wstring(1, letter) + L":";
      if (::DefineDosDeviceW(0, drive_.c_str(), folder.c_str())) name_ = drive_;
      return;
    }
  }
  ~SecondDriveLetter() {
    if (!name_.empty() && name_ == drive_) {
      ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, drive_.c_str(), nullptr);
    }
  }
  SecondDriveLetter(const SecondDriveLetter&) = delete;
  SecondDriveLetter& operator=(const SecondDriveLetter&) = delete;
  // The folder's other name, or empty when none could be had.
  const std::wstring& name() const { return name_; }

 private:
  std::wstring drive_;
  std::wstring name_;
};

std::wstring ShortName(const std::wstring& path) {
  wchar_t short_path[MAX_PATH];
  const DWORD length = ::GetShortPathNameW(path.c_str(), short_path, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(short_path, length);
}

class OtherNamesTest : public testing::Test {
 protected:
  void SetUp() override {
    MakeFolder(media_);
    MakeFolder(media_ + L"\\GuidaLindarex");
    WriteBytes(media_ + L"\\Lindarex.exe", "new exe");
    short_name_ = ShortName(media_);
    ASSERT_FALSE(short_name_.empty());
    ASSERT_NE(short_name_, media_) << "a long name has a short name of its own";
  }

  ScratchFolder scratch_;
  const std::wstring media_ = scratch_ / L"Media Folder With A Long Name";
  std::wstring short_name_;
};

TEST_F(OtherNamesTest, SameOrInsideGoesByIdentity) {
  SecondDriveLetter drive(media_);
  ASSERT_FALSE(drive.name().empty()) << "no drive letter could be defined";
  const std::wstring link = scratch_ / L"Collegamento.exe";
  ASSERT_TRUE(::CreateHardLinkW(link.c_str(), (media_ + L"\\Lindarex.exe").c_str(), nullptr));
  auto fs = platform::CreateFileSystemObject();
  struct Case {
    std::wstring path;
    std::wstring folder;
    bool inside;
  };
  const Case cases[] = {
      {short_name_, media_, true},
      {drive.name() + L"\\", media_, true},
      {drive.name() + L"\\GuidaLindarex\\Nuova\\indice.htm", media_, true},  // not there yet
      {short_name_ + L"\\Lindarex.exe", media_ + L"\\Lindarex.exe", true},
      {link, media_ + L"\\Lindarex.exe", true},
      {media_, short_name_ + L"\\GuidaLindarex", false},
      {scratch_ / L"Media Folder", media_, false},
      {scratch_ / L"Altro\\Lindarex.exe", media_, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fs->IsSameOrInside(c.path, c.folder), c.inside)
        << Utf8(c.path) << " in " << Utf8(c.folder);
  }
}

// The update's own copies refuse the media under another name, and leave it
// as it was.
TEST_F(OtherNamesTest, CopiesOntoTheMediaUnderAnotherNameAreRefused) {
  SecondDriveLetter drive(media_);
  ASSERT_FALSE(drive.name().empty()) << "no drive letter could be defined";
  const std::wstring exe = media_ + L"\\Lindarex.exe";
  const std::wstring help = media_ + L"\\GuidaLindarex";
  const std::wstring link = scratch_ / L"Collegamento.exe";
  ASSERT_TRUE(::CreateHardLinkW(link.c_str(), exe.c_str(), nullptr));
  auto fs = platform::CreateFileSystemObject();
  for (const std::wstring& same :
       {short_name_ + L"\\Lindarex.exe", drive.name() + L"\\Lindarex.exe", link}) {
    EXPECT_EQ(fs->CopyFile(exe, same), platform::kErrorInvalidParameter) << Utf8(same);
  }
  for (const std::wstring& inside :
       {short_name_ + L"\\GuidaLindarex", drive.name() + L"\\GuidaLindarex\\Guida"}) {
    EXPECT_EQ(fs->CopyFolder(help, inside), platform::kErrorInvalidParameter) << Utf8(inside);
  }
  EXPECT_EQ(ReadBytes(exe), "new exe");
  EXPECT_EQ(Names(media_), (Listing{L"GuidaLindarex\\", L"Lindarex.exe"}));
  EXPECT_EQ(Names(help), Listing{});
}

}  // namespace
