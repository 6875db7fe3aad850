#include "update_promise.h"

#include <algorithm>
#include <cstdint>

#include "fake/fake_platform.h"
#include "platform/update_record.h"
#include "test_support.h"

namespace promise {

namespace {

using Breachlist = std::vector<std::string>;

bool StartsWith(const std::string& text, const std::string& head) {
  return text.compare(0, head.size(), head) == 0;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

// The update's own files: a temporary, a kept old file, its record.
bool IsOwnFile(const std::wstring& key) {
  const std::wstring name = key.substr(key.rfind(L'\\') + 1);
  bool done = false;
  return platform::MakerOfTemporary(name) != 0 || platform::MakerOfRecord(name, &done) != 0;
}

namespace {

int StatusOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::kCompleted:
    case Outcome::kPriceList:
      return 0;
    case Outcome::kCancelled:
      return 1;
    case Outcome::kFailed:
      return 2;
    case Outcome::kUnknown:
      break;
  }
  return -1;
}

// An update replaces the program's executable and refreshes help folders;
// everything else in the installation and on the media is someone else's.
bool MayChange(const std::wstring& key, const std::vector<std::wstring>& roots) {
  for (const std::wstring& root : roots) {
    if (key.compare(0, root.size(), root) != 0) continue;
    const std::wstring inside = key.substr(root.size());
    if (EndsWith(inside, L".exe") || IsOwnFile(key)) return true;
    std::wstring::size_type start = 0;
    while (start <= inside.size()) {
      const std::wstring::size_type end = std::min(inside.find(L'\\', start), inside.size());
      const std::wstring part = inside.substr(start, end - start);
      if (part == L"guida" || part == L"guidalindarex") return true;
      start = end + 1;
    }
  }
  return false;
}

void CheckBox(int exit_status, Breachlist& breaches) {
  const auto& boxes = fake::Platform().boxes;
  if (boxes.size() != 1) {
    breaches.push_back(std::to_string(boxes.size()) + " message boxes instead of one");
    return;
  }
  if (boxes[0].caption != L"Quadrivo")
    breaches.push_back("caption " + test::Utf8(boxes[0].caption));
  if (boxes[0].flags != 0)
    breaches.push_back("message box flags " + std::to_string(boxes[0].flags));
  const Outcome outcome = OutcomeOf(boxes[0].text);
  if (outcome == Outcome::kUnknown) {
    breaches.push_back("a message no outcome has: " + test::Utf8(boxes[0].text));
  } else if (StatusOf(outcome) != exit_status) {
    breaches.push_back("exit status " + std::to_string(exit_status) + " after the message of " +
                       OutcomeName(outcome));
  }
}

std::set<std::string> AllContents(const std::map<std::wstring, fake::FakeFile>& files) {
  std::set<std::string> contents;
  for (const auto& file : files) contents.insert(file.second.bytes);
  return contents;
}

void CheckFiles(const DiskState& before, const DiskState& after, Outcome outcome,
                const std::vector<std::wstring>& roots, Breachlist& breaches) {
  const std::set<std::string> old_contents = AllContents(before.files);
  const std::set<std::string> new_contents = AllContents(after.files);
  const bool may_write = outcome == Outcome::kCompleted || outcome == Outcome::kFailed;
  for (const auto& file : after.files) {
    const auto old = before.files.find(file.first);
    if (old != before.files.end() && old->second.bytes == file.second.bytes) continue;
    const std::string what = test::Utf8(file.first);
    if (!may_write) breaches.push_back(what + " written by a run that changes nothing");
    if (!MayChange(file.first, roots)) breaches.push_back(what + " written outside the update");
    if (old_contents.count(file.second.bytes) == 0 && !IsOwnFile(file.first)) {
      breaches.push_back(what + " half-written");
    }
  }
  for (const auto& file : before.files) {
    if (after.files.count(file.first) != 0) continue;
    const std::string what = test::Utf8(file.first);
    if (outcome != Outcome::kCompleted)
      breaches.push_back(what + " removed, yet no update completed");
    if (!MayChange(file.first, roots)) breaches.push_back(what + " removed outside the update");
    if (new_contents.count(file.second.bytes) == 0) breaches.push_back(what + " removed and lost");
  }
}

void CheckFolders(const DiskState& before, const DiskState& after, Outcome outcome,
                  const std::vector<std::wstring>& roots, Breachlist& breaches) {
  for (const std::wstring& folder : after.folders) {
    if (before.folders.count(folder) != 0) continue;
    if (outcome != Outcome::kCompleted && outcome != Outcome::kFailed) {
      breaches.push_back("folder " + test::Utf8(folder) + " made by a run that changes nothing");
    }
    if (!MayChange(folder, roots)) breaches.push_back("folder " + test::Utf8(folder) + " made");
  }
  for (const std::wstring& folder : before.folders) {
    if (after.folders.count(folder) != 0) continue;
    if (outcome != Outcome::kCompleted) {
      breaches.push_back("folder " + test::Utf8(folder) + " removed, yet no update completed");
    }
    if (!MayChange(folder, roots)) breaches.push_back("folder " + test::Utf8(folder) + " removed");
  }
}

// Every key the run opened was asked to close, and no key was used after
// that; a close the platform refused still counts as asked.
void CheckRegistry(Breachlist& breaches) {
  std::set<platform::RegHandle> open;
  for (const fake::RegistryCall& call : fake::Platform().registry.calls()) {
    const std::string handle = std::to_string(call.handle);
    switch (call.kind) {
      case fake::RegistryCall::Kind::kOpen:
        if (call.status == platform::kErrorSuccess && !open.insert(call.handle).second) {
          breaches.push_back("key " + handle + " handed out twice while open");
        }
        break;
      case fake::RegistryCall::Kind::kQuery:
        if (open.count(call.handle) == 0)
          breaches.push_back("query of key " + handle + " not open");
        break;
      case fake::RegistryCall::Kind::kClose:
        if (open.erase(call.handle) == 0)
          breaches.push_back("close of key " + handle + " not open");
        break;
    }
  }
  for (const platform::RegHandle handle : open) {
    breaches.push_back("key " + std::to_string(handle) + " left open");
  }
}

}  // namespace

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kCompleted:
      return "update completed";
    case Outcome::kFailed:
      return "update failed";
    case Outcome::kCancelled:
      return "update cancelled";
    case Outcome::kPriceList:
      return "price list";
    case Outcome::kUnknown:
      break;
  }
  return "no known outcome";
}

Outcome OutcomeOf(const std::wstring& text) {
  const std::string utf8 = test::Utf8(text);
  if (StartsWith(utf8, "L'Aggiornamento di \"")) return Outcome::kCompleted;
  if (StartsWith(utf8, "AGGIORNAMENTO NON RIUSCITO: ")) return Outcome::kFailed;
  if (StartsWith(utf8, u8"AGGIORNAMENTO ANNULLATO perchè \"")) return Outcome::kCancelled;
  if (StartsWith(utf8, "Il Prezzario ")) return Outcome::kPriceList;
  if (StartsWith(utf8, u8"Poichè il Programma di Contabilità ")) return Outcome::kPriceList;
  return Outcome::kUnknown;
}

Outcome ReportedOutcome() {
  const auto& boxes = fake::Platform().boxes;
  return boxes.size() == 1 ? OutcomeOf(boxes[0].text) : Outcome::kUnknown;
}

DiskState CaptureDisk() {
  const fake::FakeDisk& disk = fake::Platform().disk;
  return DiskState{disk.Files(), disk.Folders()};
}

std::vector<std::string> Breaches(const DiskState& before, int exit_status,
                                  const std::vector<std::wstring>& roots, bool check_files) {
  Breachlist breaches;
  CheckBox(exit_status, breaches);
  const DiskState after = CaptureDisk();
  const Outcome outcome = ReportedOutcome();
  if (check_files) {
    CheckFiles(before, after, outcome, roots, breaches);
    CheckFolders(before, after, outcome, roots, breaches);
  }
  CheckRegistry(breaches);
  return breaches;
}

}  // namespace promise
