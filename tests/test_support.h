// Helpers shared by the tests: texts compared as UTF-8 bytes, and a fresh
// process with an installed Lindarex and an update medium.
#pragma once

#include <string>

namespace test {

// The UTF-8 bytes of a Unicode text, so that a failed comparison prints
// readably and a message is checked byte for byte against UTF-8 literals.
std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

// Resets the process state and the fake platform, then gives it this
// command line.
void StartProcess(const std::wstring& command_line);

// Lindarex registered under the maker's key in C:\Lindarex, with an old
// executable and help file there, and an update on D:\Upd.
void InstallLindarex();
void PutUpdateOnMedia(bool with_help_folder = true);

extern const char kOldExe[];
extern const char kNewExe[];

}  // namespace test
