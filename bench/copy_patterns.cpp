// How long replacing many files takes under the ways the update could do it,
// side by side in one process: CopyFileW to a temporary and MoveFileExW over
// the old file, the update's own copy (one large buffer to a temporary
// written out to the disk, the old file renamed aside, the new one into its
// place, the old one deleted), CopyFileW straight over the old file (what xcopy
// does: no temporary, so not in one step), and the first way on two threads
// at once, each taking every other file, to tell whether copies in flight
// together pay.
//
//   copy_patterns <folder> <files> <bytes per file> <runs>
//
// Lays out the files in <folder>\media once and, before each timed pass, an
// older installed copy of each in <folder>\installed; the two ways take turns
// going first in turn. Prints each pass and the medians, in milliseconds on the clock
// and of processor time.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/held_folders.h"
#include "platform/update_record.h"
#include "platform/win32/windows/long_path.h"
#include "platform/win32/windows/windows_api.h"
#include "stopwatch.h"

namespace {

// The source's attributes and time come with the folder's listing in the
// update; here they are read before the clock starts.
using Way =
    std::function<bool(const std::wstring&, const WIN32_FILE_ATTRIBUTE_DATA&, const std::wstring&)>;

std::wstring Name(const std::wstring& folder, int index) {
  wchar_t name[32];
  std::swprintf(name, 32, L"\\pagina%05d.htm", index);
  return folder + name;
}

bool Write(const std::wstring& path, const std::string& bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  ::CloseHandle(file);
  return ok;
}

bool LayOut(const std::wstring& folder, int files, std::size_t size, char fill) {
  ::CreateDirectoryW(folder.c_str(), nullptr);
  std::string bytes(size, fill);
  for (int i = 0; i < files; ++i) {
    bytes[i % size] = static_cast<char>(i);
    if (!Write(Name(folder, i), bytes)) return false;
  }
  return true;
}

bool CopyAndMove(const std::wstring& source, const WIN32_FILE_ATTRIBUTE_DATA&,
                 const std::wstring& destination) {
  const std::wstring temporary = destination + L".tmp";
  if (!::CopyFileW(source.c_str(), temporary.c_str(), TRUE)) return false;
  return ::MoveFileExW(temporary.c_str(), destination.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool CopyInPlace(const std::wstring& source, const WIN32_FILE_ATTRIBUTE_DATA&,
                 const std::wstring& destination) {
  return ::CopyFileW(source.c_str(), destination.c_str(), FALSE) != FALSE;
}

// The update's way into the installed folder, both folders held as the
// update holds them: opened at the first file, kept for every other.
bool OwnCopy(const std::wstring& source, const WIN32_FILE_ATTRIBUTE_DATA& data,
             const std::wstring& destination) {
  static const std::unique_ptr<platform::HeldFolders> disk = platform::CreateHeldFolders();
  static platform::Held media;
  static platform::Held installed;
  const platform::PathParts from = platform::SplitLast(disk->FullPath(source));
  const platform::PathParts to = platform::SplitLast(disk->FullPath(destination));
  if (!media && (disk->OpenFolder(from.folder, platform::FolderUse::kRead, &media) != 0 ||
                 disk->OpenFolder(to.folder, platform::FolderUse::kRead, &installed) != 0)) {
    return false;
  }
  const platform::FolderEntry entry{
      from.name, data.dwFileAttributes, 0,
      platform::FileStamp{(std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
                          platform::win32::Ticks(data.ftLastWriteTime)}};
  // The installed file is there, and its own permissions are read, as for
  // every file the update replaces.
  const platform::FolderEntry there{to.name, 0, 0, {}};
  platform::Written written;
  if (disk->WriteBeside(*media, entry, *installed, &there, platform::Copied::kHelpFile, &written) !=
      0) {
    return false;
  }
  const std::wstring kept = platform::KeptName(written->name());
  return disk->Rename(*installed, to.name, kept, false) == 0 &&
         disk->PutWritten(*installed, *written, to.name) == 0 &&
         disk->DeleteOwn(*installed, kept) == 0;
}

// This process's processor time, user and kernel, in milliseconds: on a
// loaded machine it moves less than the time on the clock.
double ProcessorMs() {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

struct Pass {
  const Way* way;
  const std::vector<WIN32_FILE_ATTRIBUTE_DATA>* sources;
  const std::wstring* media;
  const std::wstring* installed;
  int first;
  int step;
  int failed_at = -1;
};

DWORD WINAPI RunPass(void* argument) {
  Pass& pass = *static_cast<Pass*>(argument);
  const int files = static_cast<int>(pass.sources->size());
  for (int i = pass.first; i < files; i += pass.step) {
    if (!(*pass.way)(Name(*pass.media, i), (*pass.sources)[i], Name(*pass.installed, i))) {
      pass.failed_at = i;
      return 1;
    }
  }
  return 0;
}

// Every file through way, on threads threads; the file that failed, or -1.
int ReplaceAll(const Way& way, int threads, const std::vector<WIN32_FILE_ATTRIBUTE_DATA>& sources,
               const std::wstring& media, const std::wstring& installed) {
  std::vector<Pass> passes;
  for (int t = 0; t < threads; ++t)
    passes.push_back(Pass{&way, &sources, &media, &installed, t, threads});
  std::vector<HANDLE> running;
  for (int t = 1; t < threads; ++t)
    running.push_back(::CreateThread(nullptr, 0, RunPass, &passes[t], 0, nullptr));
  RunPass(&passes[0]);
  for (HANDLE thread : running) {
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
  }
  for (const Pass& pass : passes) {
    if (pass.failed_at >= 0) return pass.failed_at;
  }
  return -1;
}

double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  const std::size_t n = samples.size();
  return n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 3;
  const std::wstring root = platform::win32::LongPath(argv[1]);
  const int files = std::wcstol(argv[2], nullptr, 10);
  const std::size_t size = std::wcstoul(argv[3], nullptr, 10);
  const int runs = std::wcstol(argv[4], nullptr, 10);
  const std::wstring media = root + L"\\media";
  const std::wstring installed = root + L"\\installed";
  ::CreateDirectoryW(root.c_str(), nullptr);
  if (!LayOut(media, files, size, 'n')) return 4;
  std::vector<WIN32_FILE_ATTRIBUTE_DATA> sources(files);
  for (int i = 0; i < files; ++i) {
    if (!::GetFileAttributesExW(Name(media, i).c_str(), GetFileExInfoStandard, &sources[i])) {
      return 4;
    }
  }
  constexpr int kWays = 4;
  const char* names[kWays] = {"CopyFileW + MoveFileExW", "own copy + rename by handle",
                              "CopyFileW + MoveFileExW, two threads", "CopyFileW in place"};
  const Way ways[kWays] = {CopyAndMove, OwnCopy, CopyAndMove, CopyInPlace};
  const int threads[kWays] = {1, 1, 2, 1};
  std::vector<double> times[kWays];
  std::vector<double> processor[kWays];
  for (int run = 0; run < runs; ++run) {
    for (int turn = 0; turn < kWays; ++turn) {
      const int way = (run + turn) % kWays;
      if (!LayOut(installed, files, size * 9 / 10, 'o')) return 4;
      const Stopwatch watch;
      const double processor_before = ProcessorMs();
      const int failed_at = ReplaceAll(ways[way], threads[way], sources, media, installed);
      if (failed_at >= 0) {
        std::printf("%s failed at file %d\n", names[way], failed_at);
        return 1;
      }
      times[way].push_back(watch.ElapsedMs());
      processor[way].push_back(ProcessorMs() - processor_before);
      std::printf("%s: %.0f ms, processor %.0f ms\n", names[way], times[way].back(),
                  processor[way].back());
      std::fflush(stdout);
    }
  }
  for (int way = 0; way < kWays; ++way) {
    std::printf("median %s: %.0f ms, processor %.0f ms (%d runs)\n", names[way], Median(times[way]),
                Median(processor[way]), runs);
  }
  return 0;
}
