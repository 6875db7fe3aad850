// What every run owes its user, checked on the fake platform once the run has
// ended: one truthful message box whose exit status matches it; files changed
// only where an update may change them, and never lost; the update's files
// kept on the media unless the update completed; every opened registry key
// closed again. Shared by the fault matrix and the fuzz targets, so it reports
// breaches as text instead of asserting.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "fake/fake_disk.h"

namespace promise {

enum class Outcome { kUnknown, kCompleted, kFailed, kCancelled, kPriceList };

const char* OutcomeName(Outcome outcome);
// Which outcome a message box text reports.
Outcome OutcomeOf(const std::wstring& text);
// The outcome the run's one message box reported; kUnknown without exactly one box.
Outcome ReportedOutcome();

struct DiskState {
  std::map<std::wstring, fake::FakeFile> files;  // by lower-case path
  std::set<std::wstring> folders;
};

DiskState CaptureDisk();

// Whether the file (a lower-case path) is one of the update's own: a
// temporary, an old file kept aside, the update's record. A run may leave
// them where it works, for the next one to remove or to undo from.
bool IsOwnFile(const std::wstring& key);

// Every breach of the promise by the run that just ended. before is the disk
// as the run found it; roots are the folders (lower case, ending in a
// backslash) inside which the run may change the program's executable and its
// help folders.
// check_files: false for a run that stands for one cut off half-way, which
// the next run answers for.
std::vector<std::string> Breaches(const DiskState& before, int exit_status,
                                  const std::vector<std::wstring>& roots, bool check_files = true);

}  // namespace promise
