#include "fake/fault_plan.h"

namespace fake {

// In the order of Op.
const char* OpName(Op op) {
  static const char* const kNames[] = {
      "any",          "RegOpenKey",  "RegQueryValue",   "RegCloseKey",  "CreateFileSystem",
      "FolderExists", "OpenFolder",  "OpenChildFolder", "List",         "EntryOf",
      "LockUpdate",   "WriteBeside", "Rename",          "DeleteOwn",    "WriteRecord",
      "ReadRecord",   "MakeDurable", "DeleteChild",     "DeleteFolder",
  };
  return kNames[static_cast<int>(op)];
}

void FaultPlan::Fail(Op op, int nth, platform::Status error, bool from_then_on) {
  Clear();
  AlsoFail(op, nth, error, from_then_on);
}

void FaultPlan::AlsoFail(Op op, int nth, platform::Status error, bool from_then_on) {
  faults_.push_back(Fault{op, nth, error, from_then_on, 0});
}

void FaultPlan::Clear() { *this = FaultPlan(); }

platform::Status FaultPlan::Next(Op op) {
  ++calls_;
  platform::Status status = platform::kErrorSuccess;
  for (Fault& fault : faults_) {
    if (fault.nth <= 0 || (fault.op != Op::kAny && fault.op != op)) continue;
    ++fault.matching;
    const bool fires =
        fault.matching == fault.nth || (fault.from_then_on && fault.matching > fault.nth);
    if (fires && status == platform::kErrorSuccess) status = fault.error;
  }
  if (status != platform::kErrorSuccess) {
    fired_ = true;
    failed_ops_.push_back(op);
  }
  return status;
}

}  // namespace fake
