#include "fake/fake_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "fake/fault_plan.h"
#include "platform/code_page.h"

namespace fake {

std::string FakeRegistry::Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

void FakeRegistry::AddKey(const std::string& path) {
  std::string lower = Lower(path);
  while (!lower.empty()) {
    keys_[lower];
    const std::size_t cut = lower.rfind('\\');
    lower = cut == std::string::npos ? std::string() : lower.substr(0, cut);
  }
}

void FakeRegistry::SetValue(const std::string& key_path, const std::string& name,
                            platform::RegType type, const std::string& bytes) {
  AddKey(key_path);
  keys_[Lower(key_path)].values[Lower(name)] = Value{type, bytes};
}

void FakeRegistry::SetString(const std::string& key_path, const std::string& name,
                             const std::wstring& text) {
  SetValue(key_path, name, platform::kRegSz, platform::ToAnsi(text) + std::string(1, '\0'));
}

void FakeRegistry::MisreportSize(const std::string& key_path, const std::string& name,
                                 std::uint32_t size) {
  Value& value = keys_[Lower(key_path)].values[Lower(name)];
  value.misreported = true;
  value.reported_size = size;
}

bool FakeRegistry::Resolve(platform::RegHandle handle, std::string* path) const {
  if (handle == platform::kHkeyLocalMachine) {
    path->clear();
    return true;
  }
  const auto found = open_.find(handle);
  if (found == open_.end()) return false;
  *path = found->second;
  return true;
}

platform::Status FakeRegistry::Open(platform::RegHandle parent, const std::string& sub_key,
                                    platform::RegHandle* result) {
  const platform::Status status = AnswerOpen(parent, sub_key, result);
  calls_.push_back(RegistryCall{RegistryCall::Kind::kOpen, status == 0 ? *result : 0, status});
  return status;
}

platform::Status FakeRegistry::Query(platform::RegHandle key, const std::string& name,
                                     platform::RegType* type, char* data, std::uint32_t* size) {
  const platform::Status status = AnswerQuery(key, name, type, data, size);
  calls_.push_back(RegistryCall{RegistryCall::Kind::kQuery, key, status});
  return status;
}

platform::Status FakeRegistry::Close(platform::RegHandle key) {
  const platform::Status status = AnswerClose(key);
  calls_.push_back(RegistryCall{RegistryCall::Kind::kClose, key, status});
  return status;
}

platform::Status FakeRegistry::AnswerOpen(platform::RegHandle parent, const std::string& sub_key,
                                          platform::RegHandle* result) {
  opened_paths_.insert(sub_key);
  if (const platform::Status fault = faults_.Next(Op::kRegOpenKey)) return fault;
  std::string path;
  if (!Resolve(parent, &path)) return platform::kErrorInvalidHandle;
  std::string relative = Lower(sub_key);
  // The registry takes one trailing backslash as the end of the path.
  if (!relative.empty() && relative.back() == '\\') relative.pop_back();
  if (!relative.empty()) path = path.empty() ? relative : path + "\\" + relative;
  if (path.empty() || keys_.count(path) == 0) return platform::kErrorFileNotFound;

  platform::RegHandle handle = reuse_ != 0 ? reuse_ : next_handle_;
  if (reuse_ == 0) next_handle_ += 4;
  reuse_ = 0;
  open_[handle] = path;
  ++opens_;
  *result = handle;
  return platform::kErrorSuccess;
}

platform::Status FakeRegistry::AnswerQuery(platform::RegHandle key, const std::string& name,
                                           platform::RegType* type, char* data,
                                           std::uint32_t* size) {
  if (const platform::Status fault = faults_.Next(Op::kRegQueryValue)) return fault;
  std::string path;
  if (!Resolve(key, &path)) return platform::kErrorInvalidHandle;
  const auto found_key = keys_.find(path);
  if (found_key == keys_.end()) return platform::kErrorFileNotFound;
  const auto found = found_key->second.values.find(Lower(name));
  if (found == found_key->second.values.end()) return platform::kErrorFileNotFound;
  const Value& value = found->second;

  if (type != nullptr) *type = value.type;
  const auto length = static_cast<std::uint32_t>(value.bytes.size());
  if (data == nullptr) {
    *size = value.misreported ? value.reported_size : length;
    return platform::kErrorSuccess;
  }
  if (*size < length) {
    *size = length;
    return platform::kErrorMoreData;
  }
  std::memcpy(data, value.bytes.data(), length);
  *size = length;
  return platform::kErrorSuccess;
}

platform::Status FakeRegistry::AnswerClose(platform::RegHandle key) {
  if (const platform::Status fault = faults_.Next(Op::kRegCloseKey)) return fault;
  return open_.erase(key) == 1 ? platform::kErrorSuccess : platform::kErrorInvalidHandle;
}

}  // namespace fake
