// One run of a program as a user sees it: started with an exact command line
// and current folder, its message box read and answered with OK, its exit
// status collected. Any further box is read and answered too, and reported,
// since a run must show exactly one.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "message_box_reader.h"

struct RunRequest {
  std::wstring program;
  std::wstring command_line;
  std::wstring current_folder;
  DWORD timeout_ms = 30000;
};

struct RunReport {
  std::wstring error;  // empty when the run went as far as its exit
  std::vector<MessageBoxContent> boxes;
  double ms_until_first_box = -1;
  bool exited = false;
  DWORD exit_status = 0;
};

RunReport RunAndAnswer(const RunRequest& request);
