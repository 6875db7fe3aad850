// A report written as one file, so that a reader never sees half of it.
#pragma once

#include <string>

bool WriteWholeFile(const std::wstring& path, const std::string& content);
