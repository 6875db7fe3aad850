#include "memory_while_boxed.h"

#include <psapi.h>

#include "message_box_reader.h"
#include "stopwatch.h"

namespace {

constexpr DWORD kPollMs = 5;

HWND WaitForBox(const Child& child, DWORD timeout_ms) {
  const Stopwatch clock;
  while (clock.ElapsedMs() < timeout_ms) {
    const HWND box = FindMessageBoxOf(child.id);
    if (box != nullptr) return box;
    if (WaitForSingleObject(child.process.Get(), kPollMs) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

bool ReadMemory(const Child& child, BoxedMemory& memory) {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(child.process.Get(),
                            reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof counters)) {
    memory.error = L"GetProcessMemoryInfo failed with error " + std::to_wstring(GetLastError());
    return false;
  }
  memory.peak_working_set = counters.PeakWorkingSetSize;
  memory.peak_pagefile_usage = counters.PeakPagefileUsage;
  memory.private_usage = counters.PrivateUsage;
  return true;
}

bool WriteMarker(const std::wstring& path, DWORD process_id) {
  const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  const std::string text = std::to_string(process_id) + "\n";
  DWORD written = 0;
  return file.Valid() &&
         WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

void WaitForRelease(const std::wstring& release, DWORD timeout_ms) {
  const Stopwatch clock;
  while (GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES &&
         clock.ElapsedMs() < timeout_ms) {
    Sleep(kPollMs);
  }
}

}  // namespace

BoxedMemory MemoryWhileBoxed(const ChildRequest& request, const MarkerFiles& markers,
                             DWORD timeout_ms) {
  BoxedMemory memory;
  Child child;
  if (!StartChild(request, child, memory.error)) return memory;
  const HWND box = WaitForBox(child, timeout_ms);
  if (box == nullptr) {
    memory.error = L"no message box appeared in time";
  } else if (ReadMemory(child, memory)) {
    if (!WriteMarker(markers.boxed, child.id)) memory.error = L"the marker could not be written";
    WaitForRelease(markers.release, timeout_ms);
  }
  if (box != nullptr) PressOk(box);
  memory.exited = WaitForExit(child, timeout_ms, memory.exit_status);
  if (!memory.exited) TerminateProcess(child.process.Get(), 255);
  return memory;
}
