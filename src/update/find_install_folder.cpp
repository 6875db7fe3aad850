#include "update/find_install_folder.h"

#include "registry/registry_reading.h"
#include "update/path_text.h"

namespace FunzioniReg {

std::wstring FindInstallFolder(const std::wstring& program_name) {
  std::wstring value = L"SOFTWARE\\Brivanta\\" + program_name;
  ReadMachineString(value, L"Directory");
  // The backslash goes on in every case, also after one already there.
  if (!value.empty()) return value + L"\\";

  value = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + program_name + L".exe";
  ReadMachineString(value, L"");
  return FolderOf(value);
}

}  // namespace FunzioniReg
