// Test helper for the end-to-end runs. Every argument is hex-encoded UTF-8.
//
//   launcher run <program> <command line> <current folder> <report file> [timeout ms]
//     starts the program with exactly that command line, answers its message
//     box with OK and writes a JSON report of the run to the report file;
//   launcher hold <file> <ready marker> <release marker>
//     keeps the file open without sharing until the release marker appears.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "answered_run.h"
#include "held_file.h"
#include "run_report.h"
#include "text.h"
#include "whole_file.h"

namespace {

constexpr int kUsageError = 3;
constexpr int kReportError = 4;
constexpr DWORD kLongestHoldMs = 120000;

bool DecodeAll(int argc, wchar_t** argv, int first, std::vector<std::wstring>& decoded) {
  for (int i = first; i < argc; ++i) {
    std::wstring text;
    if (!DecodeHexUtf8(argv[i], text)) return false;
    decoded.push_back(text);
  }
  return true;
}

int Run(const std::vector<std::wstring>& args, DWORD timeout_ms) {
  RunRequest request{args[0], args[1], args[2], timeout_ms};
  const RunReport report = RunAndAnswer(request);
  return WriteWholeFile(args[3], RunReportJson(report)) ? 0 : kReportError;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"run" && (argc == 6 || argc == 7)) {
    std::vector<std::wstring> args;
    if (!DecodeAll(6, argv, 2, args)) return kUsageError;
    const DWORD timeout_ms = argc == 7 ? std::wcstoul(argv[6], nullptr, 10) : 30000;
    return Run(args, timeout_ms);
  }
  if (mode == L"hold" && argc == 5) {
    std::vector<std::wstring> args;
    if (!DecodeAll(argc, argv, 2, args)) return kUsageError;
    return HoldFileUntilReleased(args[0], args[1], args[2], kLongestHoldMs);
  }
  return kUsageError;
}
