// What the volumes of a copy's two sides say of 2-second times and file
// identities, asked of the file system once for all the copies between the
// two folders, and only when a file's stamps need it.
#pragma once

#include <string>

#include "platform/copy_rules.h"

namespace platform::win32 {

class FolderVolumes final : public VolumeAnswers {
 public:
  // media and installed: a folder on each side's volume, outliving this.
  FolderVolumes(const std::wstring& media, const std::wstring& installed)
      : media_(media), installed_(installed) {}

  bool KeepTwoSecondTimes() override;
  bool GiveIdentities() override;

 private:
  enum class Answer { kNotAsked, kYes, kNo };

  const std::wstring& media_;
  const std::wstring& installed_;
  Answer two_second_times_ = Answer::kNotAsked;
  Answer identities_ = Answer::kNotAsked;
};

}  // namespace platform::win32
