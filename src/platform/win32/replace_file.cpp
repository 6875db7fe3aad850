#include "platform/win32/replace_file.h"

#include <string>

#include "platform/win32/flush_file.h"
#include "platform/win32/temporary_files.h"

namespace platform::win32 {

namespace {

// A destination in use (the program is running) is tried again for about two
// seconds: long enough for a program that is closing, short enough for a user
// waiting on the update.
constexpr int kMoveAttempts = 9;
constexpr DWORD kMoveRetryDelayMs = 250;
// Names left by an earlier run that stopped half-way are stepped over.
constexpr int kTemporaryNameAttempts = 64;

constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_SYSTEM;

// Written out here: std::to_wstring would bring the whole printf family into
// the executable.
std::wstring Decimal(unsigned long value) {
  wchar_t digits[16];
  wchar_t* first = digits + 16;
  do {
    *--first = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  return std::wstring(first, digits + 16);
}

unsigned long NextTemporaryNumber() {
  static unsigned long counter = 0;
  return ++counter;
}

// The process id and a counter make a name no other run picks, without a
// call to GetTempFileName that would create a file of its own.
std::wstring TemporaryName(const std::wstring& destination) {
  const std::wstring::size_type slash = destination.rfind(L'\\');
  return destination.substr(0, slash + 1) + kTemporaryPrefix + Decimal(::GetCurrentProcessId()) +
         L"-" + Decimal(NextTemporaryNumber()) + L".tmp";
}

Status CopyToTemporary(const std::wstring& source, const std::wstring& destination,
                       std::wstring& temporary) {
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    temporary = TemporaryName(destination);
    if (::CopyFileW(source.c_str(), temporary.c_str(), TRUE)) return kErrorSuccess;
    const Status status = LastStatus();
    if (status == ERROR_FILE_EXISTS || status == ERROR_ALREADY_EXISTS) continue;
    // A copy that broke off (a full disk) may have left part of the file.
    ::DeleteFileW(temporary.c_str());
    return status;
  }
  return ERROR_FILE_EXISTS;
}

// Files copied from a disc arrive read-only and would block the next update.
Status MakeWritable(const std::wstring& temporary, DWORD source_attributes) {
  if ((source_attributes & FILE_ATTRIBUTE_READONLY) == 0) return kErrorSuccess;
  const DWORD kept = source_attributes & kSettableAttributes;
  if (::SetFileAttributesW(temporary.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL)) {
    return kErrorSuccess;
  }
  return LastStatus();
}

bool IsInUse(Status status) {
  return status == ERROR_SHARING_VIOLATION || status == ERROR_ACCESS_DENIED ||
         status == ERROR_LOCK_VIOLATION;
}

// An installed file that is read-only is replaced too. Its attribute is looked
// at only when the move was refused, so the usual case costs no extra call.
class ReadOnlyDestination {
 public:
  explicit ReadOnlyDestination(const std::wstring& destination) : destination_(destination) {}
  ~ReadOnlyDestination() {
    if (lifted_ && !replaced_) ::SetFileAttributesW(destination_.c_str(), attributes_);
  }
  ReadOnlyDestination(const ReadOnlyDestination&) = delete;
  ReadOnlyDestination& operator=(const ReadOnlyDestination&) = delete;

  // True when the destination was read-only and is now writable.
  bool Lift() {
    if (inspected_) return false;
    inspected_ = true;
    attributes_ = ::GetFileAttributesW(destination_.c_str());
    if (attributes_ == INVALID_FILE_ATTRIBUTES) return false;
    if ((attributes_ & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) !=
        FILE_ATTRIBUTE_READONLY) {
      return false;
    }
    lifted_ = ::SetFileAttributesW(destination_.c_str(), attributes_ & ~FILE_ATTRIBUTE_READONLY);
    return lifted_;
  }
  bool IsFolder() const {
    return inspected_ && attributes_ != INVALID_FILE_ATTRIBUTES &&
           (attributes_ & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  void Replaced() { replaced_ = true; }

 private:
  const std::wstring& destination_;
  DWORD attributes_ = INVALID_FILE_ATTRIBUTES;
  bool inspected_ = false;
  bool lifted_ = false;
  bool replaced_ = false;
};

Status MoveIntoPlace(const std::wstring& temporary, const std::wstring& destination) {
  ReadOnlyDestination installed(destination);
  Status status = kErrorSuccess;
  for (int attempt = 1; attempt <= kMoveAttempts; ++attempt) {
    if (::MoveFileExW(temporary.c_str(), destination.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      installed.Replaced();
      return kErrorSuccess;
    }
    status = LastStatus();
    if (status == ERROR_ACCESS_DENIED && installed.Lift()) {
      --attempt;  // the refusal was the attribute, not a program holding the file
      continue;
    }
    if (!IsInUse(status) || installed.IsFolder()) return status;
    if (attempt < kMoveAttempts) ::Sleep(kMoveRetryDelayMs);
  }
  return status;
}

}  // namespace

Status ReplaceFileWithCopy(const std::wstring& source, DWORD source_attributes,
                           const std::wstring& destination, Durability durability) {
  std::wstring temporary;
  Status status = CopyToTemporary(source, destination, temporary);
  if (status != kErrorSuccess) return status;
  status = MakeWritable(temporary, source_attributes);
  if (status == kErrorSuccess && durability == Durability::kFlushedBeforeReplacing) {
    status = FlushToDisk(temporary);
  }
  if (status == kErrorSuccess) status = MoveIntoPlace(temporary, destination);
  if (status != kErrorSuccess) ::DeleteFileW(temporary.c_str());
  return status;
}

}  // namespace platform::win32
