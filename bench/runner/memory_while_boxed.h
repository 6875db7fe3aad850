// The memory a program holds at its peak, read while its message box is
// shown: by then every file has been copied, and the box is the run's end.
// While the box is up, a marker file says so, and the box is answered only
// once a release marker appears, so that a reader outside Wine (the process's
// own figures in /proc) can look at the same moment.
#pragma once

#include <windows.h>

#include <string>

#include "child_process.h"

struct MarkerFiles {
  std::wstring boxed;    // written when the box is up
  std::wstring release;  // awaited before the box is answered
};

struct BoxedMemory {
  std::wstring error;  // empty when the figures were read
  SIZE_T peak_working_set = 0;
  SIZE_T peak_pagefile_usage = 0;
  SIZE_T private_usage = 0;
  bool exited = false;
  DWORD exit_status = 0;
};

BoxedMemory MemoryWhileBoxed(const ChildRequest& request, const MarkerFiles& markers,
                             DWORD timeout_ms);
