// Which platform call fails, for tests that walk every failure path: the Nth
// call (of one kind or of any), or every call from then on, with a chosen
// Win32 error.
#pragma once

#include <string>
#include <vector>

#include "platform/status.h"

namespace fake {

enum class Op {
  kAny,
  kRegOpenKey,
  kRegQueryValue,
  kRegCloseKey,
  kCreateFileSystem,
  kFolderExists,
  kOpenFolder,
  kOpenChildFolder,
  kList,
  kEntryOf,
  kLockUpdate,
  kWriteBeside,
  kRename,
  kDeleteOwn,
  kWriteRecord,
  kReadRecord,
  kMakeDurable,
  kDeleteChild,
  kDeleteFolder,
};

const char* OpName(Op op);

class FaultPlan {
 public:
  // The nth call (1-based) of kind op fails with error; with from_then_on,
  // every later call of that kind too.
  void Fail(Op op, int nth, platform::Status error, bool from_then_on = false);
  // The same, kept beside the faults already planned.
  void AlsoFail(Op op, int nth, platform::Status error, bool from_then_on = false);
  void Clear();

  // Counts one call of kind op; the error it is to fail with, or success.
  platform::Status Next(Op op);

  int calls() const { return calls_; }
  bool fired() const { return fired_; }
  // The kind of every call that was made to fail, in order.
  const std::vector<Op>& failed_ops() const { return failed_ops_; }

 private:
  struct Fault {
    Op op;
    int nth;
    platform::Status error;
    bool from_then_on;
    int matching;  // calls of its kind so far
  };
  std::vector<Fault> faults_;
  int calls_ = 0;
  bool fired_ = false;
  std::vector<Op> failed_ops_;
};

}  // namespace fake
