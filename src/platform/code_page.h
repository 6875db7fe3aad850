// Conversion between Unicode and the system's ANSI code page, the form in
// which text crosses the registry functions. Characters the code page cannot
// hold come out as the platform's replacement character.
#pragma once

#include <string>

namespace platform {

std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& text);

}  // namespace platform
