#include "platform/win32/files/file_identity.h"

#include <utility>

#include "platform/held_folders.h"
#include "platform/win32/windows/long_path.h"
#include "platform/win32/windows/scoped_handle.h"
#include "platform/win32/windows/system_calls.h"

namespace platform::win32 {

namespace {

// Whether the text of path names folder or something inside it, its letters
// compared as the file system compares them, without regard to case.
bool SpeltSameOrInside(const std::wstring& path, const std::wstring& folder) {
  std::wstring::size_type length = folder.size();
  while (length > 0 && folder[length - 1] == L'\\') --length;
  if (path.size() < length || length == 0) return false;
  if (path.size() > length && path[length] != L'\\') return false;
  const int letters = static_cast<int>(length);
  return ::CompareStringOrdinal(path.data(), letters, folder.data(), letters, TRUE) == CSTR_EQUAL;
}

// The volume's serial number and the file's index on it. An index of 0 is
// what some file systems give when they have none: unknown.
struct Identity {
  DWORD volume = 0;
  DWORD index_high = 0;
  DWORD index_low = 0;

  bool known() const { return index_high != 0 || index_low != 0; }
  bool operator==(const Identity& other) const {
    return known() && volume == other.volume && index_high == other.index_high &&
           index_low == other.index_low;
  }
};

Identity IdentityOf(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!System.GetFileInformationByHandle(file, &information)) return Identity{};
  return Identity{information.dwVolumeSerialNumber, information.nFileIndexHigh,
                  information.nFileIndexLow};
}

Identity IdentityOf(const std::wstring& path) {
  const ScopedFileHandle file(OpenToQuery(path));
  return file.valid() ? IdentityOf(file.get()) : Identity{};
}

// The path without its last component; empty at a root, which has none.
std::wstring ParentOf(const std::wstring& path) {
  PathParts parts = SplitLast(path);
  return parts.name.empty() ? std::wstring() : std::move(parts.folder);
}

// Where the open file really lies, links and other names resolved; empty
// when the system cannot tell.
std::wstring FinalPathOf(HANDLE file) {
  return TextOf([file](wchar_t* buffer, DWORD size) {
    return ::GetFinalPathNameByHandleW(file, buffer, size, FILE_NAME_NORMALIZED);
  });
}

// The nearest existing of path and its parents, opened (the caller owns the
// handle); INVALID_HANDLE_VALUE when none could be opened.
HANDLE OpenNearestExisting(const std::wstring& path) {
  for (std::wstring candidate = path; !candidate.empty(); candidate = ParentOf(candidate)) {
    const HANDLE file = OpenToQuery(candidate);
    if (file != INVALID_HANDLE_VALUE) return file;
  }
  return INVALID_HANDLE_VALUE;
}

bool IdentityFindsInside(const std::wstring& path, const std::wstring& folder) {
  const Identity wanted = IdentityOf(folder);
  if (!wanted.known()) return false;
  const ScopedFileHandle nearest(OpenNearestExisting(path));
  if (!nearest.valid()) return false;
  if (IdentityOf(nearest.get()) == wanted) return true;
  for (std::wstring above = ParentOf(FinalPathOf(nearest.get())); !above.empty();
       above = ParentOf(above)) {
    if (IdentityOf(above) == wanted) return true;
  }
  return false;
}

}  // namespace

bool HasIdentity(HANDLE file) { return IdentityOf(file).known(); }

bool IsSameFile(HANDLE file, HANDLE other) { return IdentityOf(file) == IdentityOf(other); }

bool IsSameOrInside(const std::wstring& path, const std::wstring& folder) {
  return SpeltSameOrInside(path, folder) || IdentityFindsInside(path, folder);
}

}  // namespace platform::win32
