#include "fake/fake_platform.h"

#include <memory>

#include "platform/file_system.h"
#include "platform/held_folders.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "registry/open_keys.h"
#include "update/main.h"
#include "update/update_transfer.h"

namespace fake {

namespace {
std::unique_ptr<FakePlatform> the_platform = std::make_unique<FakePlatform>();
// Main run as another process of the same program on the same machine: module
// state of its own, the machine (registry, disk, screen, faults) shared.
int RunAsElevatedProcess(const std::wstring& command_line) {
  FakePlatform& fake = Platform();
  std::vector<FunzioniReg::KeyEntry> parent_keys;
  std::unique_ptr<platform::FileSystemObject> parent_file_system;
  parent_keys.swap(FunzioniReg::OpenKeys);
  parent_file_system.swap(FunzioniReg::FileSystem);
  const bool parent_elevated = fake.elevated;
  fake.elevated = true;
  fake.handed_over = true;

  const int status = FunzioniReg::Main(command_line);

  fake.handed_over = false;
  fake.elevated = parent_elevated;
  FunzioniReg::OpenKeys.swap(parent_keys);
  FunzioniReg::FileSystem.swap(parent_file_system);
  return status;
}

}  // namespace

FakePlatform& Platform() { return *the_platform; }

void ResetProcess() {
  the_platform = std::make_unique<FakePlatform>();
  FunzioniReg::OpenKeys.clear();
  FunzioniReg::FileSystem.reset();
}

void StartNextProcess() {
  FakePlatform& p = *the_platform;
  p.faults.Clear();
  p.boxes.clear();
  p.elevated_runs.clear();
  p.removals_elevated.clear();
  p.handed_over = false;
  ++p.process_id;
  FunzioniReg::OpenKeys.clear();
  FunzioniReg::FileSystem.reset();
}

}  // namespace fake

namespace platform {

Status RegOpenKeyA(RegHandle parent, const std::string& sub_key, RegHandle* result) {
  return fake::Platform().registry.Open(parent, sub_key, result);
}

Status RegQueryValueExA(RegHandle key, const std::string& value_name, RegType* type, char* data,
                        std::uint32_t* size) {
  return fake::Platform().registry.Query(key, value_name, type, data, size);
}

Status RegCloseKey(RegHandle key) { return fake::Platform().registry.Close(key); }

std::unique_ptr<HeldFolders> CreateHeldFolders() {
  fake::FakePlatform& fake = fake::Platform();
  if (fake.faults.Next(fake::Op::kCreateFileSystem) != kErrorSuccess) return nullptr;
  ++fake.file_systems_created;
  return std::make_unique<fake::FakeHeldFolders>(fake.disk, fake.faults);
}

void ShowMessageBox(const std::wstring& text, const std::wstring& caption, MessageBoxFlags flags) {
  fake::Platform().boxes.push_back(fake::MessageBoxRecord{text, caption, flags});
}

bool IsElevated() { return fake::Platform().elevated; }

bool WasHandedOver() { return fake::Platform().handed_over; }

bool HasVisibleDesktop() { return fake::Platform().visible_desktop; }

NetworkPlace NetworkPlaceOf(const std::wstring& path) {
  return fake::Platform().disk.NetworkPlaceOf(path);
}

Status RunElevated(const std::wstring& argument, int* exit_status) {
  fake::FakePlatform& fake = fake::Platform();
  fake.elevated_runs.push_back(argument);
  if (fake.elevation_answer != kErrorSuccess) return fake.elevation_answer;
  *exit_status = fake.elevated_run_ends_with ? *fake.elevated_run_ends_with
                                             : fake::RunAsElevatedProcess(argument);
  return kErrorSuccess;
}

}  // namespace platform
