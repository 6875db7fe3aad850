// A program started with an exact command line and current folder, for the
// end-to-end runs and the benchmark alike. Its standard handles go to NUL:
// what a console program prints is not part of a run, nor of the work being
// timed, and a console it would have to find is not either.
#pragma once

#include <windows.h>

#include <string>

#include "unique_handle.h"

struct ChildRequest {
  std::wstring program;
  std::wstring command_line;
  std::wstring current_folder;
};

struct Child {
  UniqueHandle process;
  DWORD id = 0;
};

// False, with the reason in error, when the program could not be started.
bool StartChild(const ChildRequest& request, Child& child, std::wstring& error);

// The exit status once the child has ended within the time; false otherwise.
bool WaitForExit(const Child& child, DWORD timeout_ms, DWORD& status);
