// Text at the launcher's edges: its arguments arrive hex-encoded UTF-8 so that
// quotes, blanks and backslashes pass through Wine's own command-line handling
// untouched; its report leaves as UTF-8.
#pragma once

#include <string>

// Decodes hex digits holding UTF-8 bytes; false when they are not valid hex.
bool DecodeHexUtf8(const std::wstring& hex, std::wstring& text);

std::string ToUtf8(const std::wstring& text);

// The text as a JSON string literal, quotes included; CR and LF stay escaped.
std::string JsonString(const std::wstring& text);
