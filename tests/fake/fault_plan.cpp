#include "fake/fault_plan.h"

namespace fake {

const char* OpName(Op op) {
  switch (op) {
    case Op::kAny:
      return "any";
    case Op::kRegOpenKey:
      return "RegOpenKey";
    case Op::kRegQueryValue:
      return "RegQueryValue";
    case Op::kRegCloseKey:
      return "RegCloseKey";
    case Op::kCreateFileSystem:
      return "CreateFileSystem";
    case Op::kCopyFile:
      return "CopyFile";
    case Op::kDeleteFile:
      return "DeleteFile";
    case Op::kCopyFolder:
      return "CopyFolder";
    case Op::kCopyFolderEntry:
      return "CopyFolderEntry";
    case Op::kDeleteFolder:
      return "DeleteFolder";
    case Op::kDeleteFolderEntry:
      return "DeleteFolderEntry";
    case Op::kFolderExists:
      return "FolderExists";
  }
  return "?";
}

void FaultPlan::Fail(Op op, int nth, platform::Status error, bool from_then_on) {
  Clear();
  op_ = op;
  nth_ = nth;
  error_ = error;
  from_then_on_ = from_then_on;
}

void FaultPlan::Clear() { *this = FaultPlan(); }

platform::Status FaultPlan::Next(Op op) {
  ++calls_;
  if (nth_ <= 0 || (op_ != Op::kAny && op_ != op)) return platform::kErrorSuccess;
  ++matching_;
  if (matching_ == nth_ || (from_then_on_ && matching_ > nth_)) {
    fired_ = true;
    failed_ops_.push_back(op);
    return error_;
  }
  return platform::kErrorSuccess;
}

}  // namespace fake
