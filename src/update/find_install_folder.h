// Where a program of the maker is installed on this machine.
#pragma once

#include <string>

namespace FunzioniReg {

// The installation folder with a trailing backslash, from the maker's key or
// else the App Paths entry of the program's executable; empty when neither
// names one.
std::wstring FindInstallFolder(const std::wstring& program_name);

}  // namespace FunzioniReg
