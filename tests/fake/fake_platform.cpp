#include "fake/fake_platform.h"

#include <memory>

#include "platform/command_line.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "registry/open_keys.h"
#include "update/main.h"

namespace fake {

namespace {
std::unique_ptr<FakePlatform> the_platform = std::make_unique<FakePlatform>();
}  // namespace

FakePlatform& Platform() { return *the_platform; }

void ResetProcess() {
  the_platform = std::make_unique<FakePlatform>();
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

std::unique_ptr<FileSystemObject> CreateFileSystemObject() {
  fake::FakePlatform& fake = fake::Platform();
  if (fake.faults.Next(fake::Op::kCreateFileSystem) != kErrorSuccess) return nullptr;
  ++fake.file_systems_created;
  return std::make_unique<fake::FakeFileSystemObject>(fake.disk);
}

void ShowMessageBox(const std::wstring& text, const std::wstring& caption, MessageBoxFlags flags) {
  fake::Platform().boxes.push_back(fake::MessageBoxRecord{text, caption, flags});
}

std::wstring CommandLineArgument() { return fake::Platform().command_line; }

}  // namespace platform
