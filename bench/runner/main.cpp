// The benchmark's runner. Every argument but the timeout is hex-encoded UTF-8,
// as the launcher takes them, so that quotes and blanks pass through Wine's
// own command-line handling untouched.
//
//   bench_runner to-end <program> <command line> <current folder> <report> <timeout ms>
//     times the program from its start to its end;
//   bench_runner memory <program> <command line> <current folder> <report> <timeout ms>
//                       <boxed marker> <release marker>
//     reads the program's peak memory while its message box is up.
//   bench_runner keep-desktop <release marker> <longest ms>
//     keeps Wine's desktop in use until the release marker appears.
//
// to-end and memory write a JSON report; the exit status is 0 when the report
// was written (keep-desktop: when the desktop could be had).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "keep_desktop.h"
#include "memory_while_boxed.h"
#include "run_to_end.h"
#include "text.h"
#include "whole_file.h"

namespace {

constexpr int kUsageError = 3;
constexpr int kReportError = 4;

bool DecodeAll(int argc, wchar_t** argv, int first, int last, std::vector<std::wstring>& out) {
  for (int i = first; i < argc && i <= last; ++i) {
    std::wstring text;
    if (!DecodeHexUtf8(argv[i], text)) return false;
    out.push_back(text);
  }
  return true;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string TimedRunJson(const TimedRun& run) {
  return "{\"error\": " + JsonString(run.error) +
         ", \"ms_until_exit\": " + Number(run.ms_until_exit) +
         ", \"exit_status\": " + std::to_string(run.exit_status) + "}\n";
}

std::string BoxedMemoryJson(const BoxedMemory& memory) {
  const std::string status = memory.exited ? std::to_string(memory.exit_status) : "null";
  return "{\"error\": " + JsonString(memory.error) +
         ", \"peak_working_set\": " + std::to_string(memory.peak_working_set) +
         ", \"peak_pagefile_usage\": " + std::to_string(memory.peak_pagefile_usage) +
         ", \"private_usage\": " + std::to_string(memory.private_usage) +
         ", \"exit_status\": " + status + "}\n";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  std::vector<std::wstring> args;
  if (mode == L"keep-desktop" && argc == 4) {
    if (!DecodeAll(argc, argv, 2, 2, args)) return kUsageError;
    return KeepDesktopUntilReleased(args[0], std::wcstoul(argv[3], nullptr, 10)) ? 0 : kReportError;
  }
  if (argc < 7 || !DecodeAll(argc, argv, 2, 5, args)) return kUsageError;
  const ChildRequest request{args[0], args[1], args[2]};
  const DWORD timeout_ms = std::wcstoul(argv[6], nullptr, 10);
  std::string report;
  if (mode == L"to-end" && argc == 7) {
    report = TimedRunJson(RunToEnd(request, timeout_ms));
  } else if (mode == L"memory" && argc == 9) {
    std::vector<std::wstring> markers;
    if (!DecodeAll(argc, argv, 7, 8, markers)) return kUsageError;
    report = BoxedMemoryJson(MemoryWhileBoxed(request, {markers[0], markers[1]}, timeout_ms));
  } else {
    return kUsageError;
  }
  return WriteWholeFile(args[3], report) ? 0 : kReportError;
}
