#include "platform/update_record.h"

namespace platform {

namespace {

constexpr wchar_t kPrefix[] = L"~Quadrivo-";
constexpr wchar_t kTemporaryEnding[] = L".tmp";
constexpr wchar_t kKeptEnding[] = L".old";
constexpr wchar_t kPendingEnding[] = L".pending";
constexpr wchar_t kDoneEnding[] = L".done";
constexpr std::size_t kPrefixLength = sizeof kPrefix / sizeof kPrefix[0] - 1;
constexpr wchar_t kFirstLine[] = L"Quadrivo update 1";

// Written out here: std::to_wstring would bring the whole printf family into
// the executable.
std::wstring Decimal(unsigned long value) {
  wchar_t digits[16];
  wchar_t* first = digits + 16;
  do {
    *--first = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  return std::wstring(first, digits + 16);
}

// Whether text, from at, reads as the ASCII word, in either case.
bool ReadsAt(const std::wstring& text, std::size_t at, const wchar_t* word) {
  for (; *word != L'\0'; ++word, ++at) {
    if (at >= text.size()) return false;
    wchar_t c = text[at];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    wchar_t w = *word;
    if (w >= L'A' && w <= L'Z') w = static_cast<wchar_t>(w - L'A' + L'a');
    if (c != w) return false;
  }
  return true;
}

// Whether text ends, from at, with exactly the word.
bool EndsAt(const std::wstring& text, std::size_t at, const wchar_t* word) {
  return ReadsAt(text, at, word) && text.size() - at == std::wstring(word).size();
}

// The number written from at, in *value, and where it ends; at itself when
// there is none, or when it is more than a process id holds.
std::size_t NumberAt(const std::wstring& text, std::size_t at, unsigned long* value) {
  unsigned long long number = 0;
  std::size_t end = at;
  for (; end < text.size() && text[end] >= L'0' && text[end] <= L'9'; ++end) {
    number = number * 10 + static_cast<unsigned long long>(text[end] - L'0');
    if (number > 0xFFFFFFFFull) return at;
  }
  *value = static_cast<unsigned long>(number);
  return end;
}

// The process id after the prefix, and where its digits end; 0 when there is
// none.
unsigned long MakerAfterPrefix(const std::wstring& name, std::size_t* end) {
  unsigned long pid = 0;
  *end = NumberAt(name, kPrefixLength, &pid);
  return ReadsAt(name, 0, kPrefix) && *end != kPrefixLength ? pid : 0;
}

// A name a folder gives one of its children: neither empty nor "." or "..",
// without a path's separators.
bool IsOneComponent(const std::wstring& name) {
  return !name.empty() && name != L"." && name != L".." &&
         name.find_first_of(L"\\/:") == std::wstring::npos;
}

bool IsOneFolderPath(const FolderPath& path) {
  for (const std::wstring& component : path) {
    if (!IsOneComponent(component)) return false;
  }
  return true;
}

FolderPath Split(const std::wstring& text) {
  FolderPath path;
  for (std::size_t start = 0; !text.empty();) {
    const std::size_t cut = text.find(L'\\', start);
    path.push_back(text.substr(start, cut - start));
    if (cut == std::wstring::npos) break;
    start = cut + 1;
  }
  return path;
}

std::vector<std::wstring> Fields(const std::wstring& line) {
  std::vector<std::wstring> fields;
  for (std::size_t start = 0;;) {
    const std::size_t cut = line.find(L'\t', start);
    fields.push_back(line.substr(start, cut - start));
    if (cut == std::wstring::npos) return fields;
    start = cut + 1;
  }
}

bool IsTemporary(const std::wstring& name) {
  return MakerOfTemporary(name) != 0 && EndsAt(name, name.size() - 4, kTemporaryEnding);
}

bool DecodeLine(const std::vector<std::wstring>& fields, UpdateRecord* record) {
  if (fields.size() == 5 && fields[0] == L"R") {
    Replacement replacement{Split(fields[1]), fields[2], fields[3], fields[4]};
    record->replacements.push_back(replacement);
    return IsOneFolderPath(replacement.folder) && IsOneComponent(replacement.name) &&
           IsTemporary(replacement.temporary) &&
           (replacement.kept.empty() || replacement.kept == KeptName(replacement.temporary));
  }
  if (fields.size() == 3 && fields[0] == L"D") {
    record->made_folders.push_back(MadeFolder{Split(fields[1]), fields[2]});
    return IsOneFolderPath(record->made_folders.back().parent) && IsOneComponent(fields[2]);
  }
  return false;
}

}  // namespace

std::wstring Joined(const FolderPath& path) {
  std::wstring text;
  for (const std::wstring& component : path) text += (text.empty() ? L"" : L"\\") + component;
  return text;
}

std::wstring TemporaryName(unsigned long process, unsigned long counter) {
  return kPrefix + Decimal(process) + L"-" + Decimal(counter) + kTemporaryEnding;
}

unsigned long MakerOfTemporary(const std::wstring& name) {
  std::size_t pid_end = 0;
  const unsigned long pid = MakerAfterPrefix(name, &pid_end);
  if (pid == 0 || pid_end >= name.size() || name[pid_end] != L'-') return 0;
  unsigned long counter = 0;
  const std::size_t counter_end = NumberAt(name, pid_end + 1, &counter);
  if (counter_end == pid_end + 1) return 0;
  return EndsAt(name, counter_end, kTemporaryEnding) || EndsAt(name, counter_end, kKeptEnding) ? pid
                                                                                               : 0;
}

std::wstring KeptName(const std::wstring& temporary) {
  return temporary.substr(0, temporary.size() - 4) + kKeptEnding;
}

std::wstring RecordName(unsigned long process, bool done) {
  return kPrefix + Decimal(process) + (done ? kDoneEnding : kPendingEnding);
}

unsigned long MakerOfRecord(const std::wstring& name, bool* done) {
  std::size_t pid_end = 0;
  const unsigned long pid = MakerAfterPrefix(name, &pid_end);
  *done = EndsAt(name, pid_end, kDoneEnding);
  return *done || EndsAt(name, pid_end, kPendingEnding) ? pid : 0;
}

std::string Encode(const UpdateRecord& record) {
  std::wstring text = std::wstring(kFirstLine) + L"\n";
  for (const Replacement& r : record.replacements) {
    text +=
        L"R\t" + Joined(r.folder) + L"\t" + r.name + L"\t" + r.temporary + L"\t" + r.kept + L"\n";
  }
  for (const MadeFolder& made : record.made_folders) {
    text += L"D\t" + Joined(made.parent) + L"\t" + made.name + L"\n";
  }
  std::string bytes;
  for (const wchar_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>((unit >> 8) & 0xFF);
  }
  return bytes;
}

// A record cut short (a write that a power cut broke off) has no last line
// ending, and is refused whole.
bool Decode(const std::string& bytes, UpdateRecord* record) {
  if (bytes.size() % 2 != 0) return false;
  std::wstring text;
  for (std::size_t at = 0; at < bytes.size(); at += 2) {
    text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[at]) |
                                 static_cast<unsigned char>(bytes[at + 1]) << 8);
  }
  *record = UpdateRecord();
  std::size_t start = 0;
  for (bool first = true; start < text.size(); first = false) {
    const std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) return false;
    const std::wstring line = text.substr(start, end - start);
    if (first ? line != kFirstLine : !DecodeLine(Fields(line), record)) return false;
    start = end + 1;
  }
  return start > 0;
}

}  // namespace platform
