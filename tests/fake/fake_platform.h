// The platform as the tests see it: one fake registry, disk, message-box
// recorder, command line and fault plan, standing in for the real services.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "fake/fake_disk.h"
#include "fake/fake_registry.h"
#include "fake/fault_plan.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/status.h"

namespace fake {

struct MessageBoxRecord {
  std::wstring text;
  std::wstring caption;
  platform::MessageBoxFlags flags;
};

struct FakePlatform {
  FaultPlan faults;
  FakeRegistry registry{faults};
  FakeDisk disk;
  std::vector<MessageBoxRecord> boxes;
  // The argument part of the command line the process was started with.
  std::wstring command_line;
  int file_systems_created = 0;
  // The running process's standing; an elevated run started from it stands
  // elevated, on the same desktop.
  bool elevated = false;
  bool visible_desktop = true;
  // What asking for an elevated run answers: success runs it, kErrorCancelled
  // is the user declining, anything else a run that could not start.
  platform::Status elevation_answer = platform::kErrorSuccess;
  // Set: the elevated run ends with this before it shows anything (a crash,
  // an end from the Task Manager).
  std::optional<int> elevated_run_ends_with;
  // The argument of every elevated run asked for, started or not.
  std::vector<std::wstring> elevated_runs;
  // Set while the elevated run another run handed the update to runs.
  bool handed_over = false;
  // For each removal asked of the media (a file or a folder on drive D:):
  // whether the run that asked was elevated.
  std::vector<bool> removals_elevated;
  // Who holds the installed file a copy failed on, as the system names them.
  std::vector<platform::FileHolder> holders;
  // The running process's id; every earlier one has ended.
  unsigned long process_id = 4000;
};

// The platform behind every platform call of the code under test.
FakePlatform& Platform();

// A fresh platform, and the module's own state as at the start of a process.
void ResetProcess();
// The next process on the same machine: the disk and the registry as the
// last one left them, no fault planned.
void StartNextProcess();

}  // namespace fake
