// An in-memory registry that answers as the Win32 ANSI functions do: distinct
// handle values, the size query without a buffer, kErrorMoreData for a short
// buffer, raw value bytes (with or without a terminating NUL), default values,
// opens relative to an opened key. Key and value names compare without regard
// to case, as the registry's do.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace fake {

class FaultPlan;

// One call asked of the registry, with the handle it named or handed back
// and the status it answered.
struct RegistryCall {
  enum class Kind { kOpen, kQuery, kClose };
  Kind kind;
  platform::RegHandle handle;
  platform::Status status;
};

class FakeRegistry {
 public:
  explicit FakeRegistry(FaultPlan& faults) : faults_(faults) {}

  // Creates the key (and those above it) below HKEY_LOCAL_MACHINE.
  void AddKey(const std::string& path);
  // A value with exactly these bytes; the key is created when missing.
  void SetValue(const std::string& key_path, const std::string& name, platform::RegType type,
                const std::string& bytes);
  // A REG_SZ value with its terminating NUL, from Unicode text.
  void SetString(const std::string& key_path, const std::string& name, const std::wstring& text);
  // Makes every later size query of this value report the given size.
  void MisreportSize(const std::string& key_path, const std::string& name, std::uint32_t size);

  platform::Status Open(platform::RegHandle parent, const std::string& sub_key,
                        platform::RegHandle* result);
  platform::Status Query(platform::RegHandle key, const std::string& name, platform::RegType* type,
                         char* data, std::uint32_t* size);
  platform::Status Close(platform::RegHandle key);

  std::size_t open_handles() const { return open_.size(); }
  int opens() const { return opens_; }
  // Every sub-key path given to an open, as it arrived.
  const std::multiset<std::string>& opened_paths() const { return opened_paths_; }
  // Every call in the order asked; an open names the handle it handed back.
  const std::vector<RegistryCall>& calls() const { return calls_; }
  // Makes the next open hand back this value, as the platform may reuse one.
  void ReuseHandle(platform::RegHandle handle) { reuse_ = handle; }

 private:
  struct Value {
    platform::RegType type;
    std::string bytes;
    bool misreported = false;
    std::uint32_t reported_size = 0;
  };
  struct Key {
    std::map<std::string, Value> values;  // by lower-case name
  };

  platform::Status AnswerOpen(platform::RegHandle parent, const std::string& sub_key,
                              platform::RegHandle* result);
  platform::Status AnswerQuery(platform::RegHandle key, const std::string& name,
                               platform::RegType* type, char* data, std::uint32_t* size);
  platform::Status AnswerClose(platform::RegHandle key);
  static std::string Lower(std::string text);
  bool Resolve(platform::RegHandle handle, std::string* path) const;

  FaultPlan& faults_;
  std::map<std::string, Key> keys_;  // by lower-case full path below HKLM
  std::map<platform::RegHandle, std::string> open_;
  std::multiset<std::string> opened_paths_;
  platform::RegHandle next_handle_ = 0x1a4;
  platform::RegHandle reuse_ = 0;
  int opens_ = 0;
  std::vector<RegistryCall> calls_;
};

}  // namespace fake
