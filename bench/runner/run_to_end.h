// A program timed the way the launcher times a program until its box: from
// just before CreateProcessW until the moment its end is seen.
#pragma once

#include <string>

#include "child_process.h"

struct TimedRun {
  std::wstring error;  // empty when the program ran to its end
  double ms_until_exit = -1;
  DWORD exit_status = 0;
};

TimedRun RunToEnd(const ChildRequest& request, DWORD timeout_ms);
