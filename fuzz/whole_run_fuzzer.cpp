// One whole run per input: the input bytes choose the argument, what the
// registry holds for the two programs, other names for folders and files
// (drive letters, short names, links), which files the media and the
// installations hold, and which platform call fails with which error. A run
// that breaks the promise aborts with the breaches it found.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fake/fake_platform.h"
#include "platform/code_page.h"
#include "test_support.h"
#include "update/main.h"
#include "update_promise.h"

namespace {

using fake::Platform;

// Pieces that, put together, make the argument texts a user or a script may
// pass, and some no one should.
const wchar_t* const kArgumentPieces[] = {
    L"D:",       L"C:",      L"\\",    L"Upd",           L"Lindarex", L"Zembrolasi", L"Prezzari",
    L"prezzari", L"Listino", L"Guida", L"GuidaLindarex", L"\"",       L".",          L"..",
    L" ",        L"?",       L"*",     L"Lind\u0101rex", L"Prog",     L"\u00e8",     L"Altro",
};

// Values the registry may hold for an installation folder or executable.
const char* const kFolderValues[] = {
    "C:\\Lindarex",
    "C:\\Lindarex\\",
    "C:\\Lindarex\\Lindarex.exe",
    "C:\\Prog\\Zembrolasi.exe",
    "C:\\Prog",
    "D:\\Upd",
    "D:\\Upd\\Lindarex.exe",
    "C:",
    "\"C:\\Lindarex\\Lindarex.exe\"",
    "Lindarex.exe",
    "",
    "C:\\Lindarex?",
    "d:\\UPD\\",
    "D:\\Upd\\GuidaLindarex",
    "C:\\Lindarex\\Guida",
    "M:",
    "D:\\UPD~1",
    "I:\\Lindarex",
};

// The two entries the lookup reads, for both programs.
struct RegistryEntry {
  const char* key;
  const char* value_name;
};
const RegistryEntry kRegistryEntries[] = {
    {"SOFTWARE\\Brivanta\\Lindarex", "Directory"},
    {"SOFTWARE\\Brivanta\\Zembrolasi", "Directory"},
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Lindarex.exe", ""},
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Zembrolasi.exe", ""},
};

// Files an installation or a medium may hold; each has bytes of its own, so
// that a lost file cannot hide behind a copy of another.
const wchar_t* const kCandidateFiles[] = {
    L"D:\\Upd\\Lindarex.exe",
    L"D:\\Upd\\Zembrolasi.exe",
    L"D:\\Upd\\GuidaLindarex\\indice.htm",
    L"D:\\Upd\\GuidaLindarex\\img\\logo.png",
    L"D:\\Upd\\Listino\\Prezzari\\listino.dat",
    L"C:\\Lindarex\\Lindarex.exe",
    L"C:\\Lindarex\\Guida\\vecchia.htm",
    L"C:\\Lindarex\\Guida\\indice.htm",
    L"C:\\Prog\\Zembrolasi.exe",
    L"C:\\Prog\\Guida",
    L"Lindarex.exe",
    L"GuidaLindarex\\indice.htm",
};

// Other names a machine may give to the folders and files of a run.
struct Alias {
  const wchar_t* name;
  const wchar_t* of;
};
const Alias kAliases[] = {
    {L"M:", L"D:\\Upd"},                                        // a second drive letter
    {L"D:\\UPD~1", L"D:\\Upd"},                                 // a short name
    {L"I:", L"C:\\"},                                           // a mapped drive
    {L"C:\\Lindarex", L"D:\\Upd"},                              // a junction to the media
    {L"C:\\Lindarex", L"D:\\Upd\\GuidaLindarex"},               // a junction into its help
    {L"C:\\Prog", L"C:\\Lindarex"},                             // two installations in one
    {L"C:\\Lindarex\\Lindarex.exe", L"D:\\Upd\\Lindarex.exe"},  // a hard link
};

const platform::Status kErrors[] = {
    platform::kErrorAccessDenied, platform::kErrorSharingViolation, platform::kErrorDiskFull,
    platform::kErrorPathNotFound, platform::kErrorFileNotFound,     platform::kErrorNotEnoughMemory,
    platform::kErrorWriteProtect, platform::kErrorInvalidHandle,    platform::kErrorMoreData,
};

// Media folders, installation folders among them, and the names an update
// may carry.
const wchar_t* const kMediaFolders[] = {
    L"D:\\Upd",
    L"D:\\Upd\\Listino",
    L"C:\\Lindarex",
    L"C:\\Prog",
    L"D:\\Upd\\GuidaLindarex",
    L"C:\\Lindarex\\Guida",
    L"",
    L"D:",
    L"M:",
    L"D:\\UPD~1",
};
const wchar_t* const kProgramNames[] = {
    L"Lindarex", L"Zembrolasi", L"Prezzari", L"Listino", L"GuidaLindarex", L"",
};

std::wstring PiecesArgument(FuzzedDataProvider& input) {
  std::wstring argument;
  const int pieces = input.ConsumeIntegralInRange(0, 10);
  for (int i = 0; i < pieces; ++i) {
    if (input.ConsumeIntegralInRange(0, 15) == 0) {
      argument += static_cast<wchar_t>(input.ConsumeIntegral<std::uint16_t>());
    } else {
      argument += input.PickValueInArray(kArgumentPieces);
    }
  }
  return argument;
}

std::wstring Argument(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) return PiecesArgument(input);
  std::wstring argument = input.PickValueInArray(kMediaFolders);
  argument += L"\\";
  return argument + input.PickValueInArray(kProgramNames);
}

std::string ValueBytes(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return input.ConsumeRandomLengthString(64);
    case 1:
      return input.PickValueInArray(kFolderValues);  // without a terminating NUL
    default:
      return std::string(input.PickValueInArray(kFolderValues)) + '\0' +
             input.ConsumeRandomLengthString(8);
  }
}

void ArrangeRegistry(FuzzedDataProvider& input) {
  for (const RegistryEntry& entry : kRegistryEntries) {
    if (!input.ConsumeBool()) continue;
    const platform::RegType type =
        input.ConsumeBool() ? platform::kRegSz : input.ConsumeIntegral<platform::RegType>();
    Platform().registry.SetValue(entry.key, entry.value_name, type, ValueBytes(input));
    if (input.ConsumeIntegralInRange(0, 7) == 0) {
      Platform().registry.MisreportSize(entry.key, entry.value_name,
                                        input.ConsumeIntegral<std::uint32_t>());
    }
  }
}

void ArrangeAliases(FuzzedDataProvider& input) {
  const int count = input.ConsumeIntegralInRange(0, 2);
  for (int i = 0; i < count; ++i) {
    const Alias& alias = input.PickValueInArray(kAliases);
    Platform().disk.AddAlias(alias.name, alias.of);
  }
}

void ArrangeFiles(FuzzedDataProvider& input) {
  Platform().disk.AddFile(L"C:\\Altro\\dati.txt", "dati di altri");
  Platform().disk.AddFile(L"C:\\Lindarex\\Archivio.mdb", "archivio");
  Platform().disk.AddFile(L"D:\\Upd\\Leggimi.txt", "leggimi");
  for (const wchar_t* file : kCandidateFiles) {
    if (!input.ConsumeBool()) continue;
    const bool read_only = input.ConsumeIntegralInRange(0, 3) == 0;
    Platform().disk.AddFile(file, "bytes of " + test::Utf8(file), read_only);
  }
}

// Whether the fault is one from then on: a crash there.
bool ArrangeFault(FuzzedDataProvider& input) {
  const auto op = static_cast<fake::Op>(
      input.ConsumeIntegralInRange(0, static_cast<int>(fake::Op::kDeleteFolder)));
  const int nth = input.ConsumeIntegralInRange(0, 12);
  const platform::Status error = input.PickValueInArray(kErrors);
  const bool from_then_on = input.ConsumeBool();
  Platform().faults.Fail(op, nth, error, from_then_on);
  return from_then_on && nth > 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  test::StartProcess(Argument(input));
  ArrangeRegistry(input);
  ArrangeAliases(input);
  ArrangeFiles(input);
  const bool cut = ArrangeFault(input);
  const promise::DiskState before = promise::CaptureDisk();

  const int status = FunzioniReg::Main(fake::Platform().command_line);

  // Any folder may be the one the registry names; what may change inside it
  // is still only the program's executable and the help folders. A run cut
  // off before it completed is answered for by the next one, on the disk it
  // left.
  const bool cut_half_way = cut && promise::ReportedOutcome() != promise::Outcome::kCompleted;
  auto breaches = promise::Breaches(before, status, {L""}, !cut_half_way);
  if (cut_half_way) {
    fake::StartNextProcess();
    const int next = FunzioniReg::Main(fake::Platform().command_line);
    for (const std::string& breach : promise::Breaches(before, next, {L""})) {
      breaches.push_back("the run after the cut: " + breach);
    }
  }
  if (breaches.empty()) return 0;
  std::fprintf(stderr, "argument: %s\n", test::Utf8(Platform().command_line).c_str());
  for (const std::string& breach : breaches) std::fprintf(stderr, "breach: %s\n", breach.c_str());
  std::abort();
}
