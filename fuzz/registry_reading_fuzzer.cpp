// The registry reading against any value: its type, its bytes, a size the
// registry misreports, and a failing call. Whatever comes, the reading gives
// the value's text up to its first NUL or nothing, and closes the key it
// opened.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fake/fake_platform.h"
#include "platform/code_page.h"
#include "registry/registry_reading.h"

namespace {

using fake::Platform;

const char kKey[] = "SOFTWARE\\Brivanta\\Lindarex";

void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

void Arrange(FuzzedDataProvider& input, const std::string& name, const std::string& bytes,
             platform::RegType type) {
  Platform().registry.SetValue(kKey, name, type, bytes);
  if (input.ConsumeBool()) {
    Platform().registry.MisreportSize(kKey, name, input.ConsumeIntegral<std::uint32_t>());
  }
  if (input.ConsumeBool()) {
    const auto op = static_cast<fake::Op>(input.ConsumeIntegralInRange(1, 3));
    Platform().faults.Fail(op, input.ConsumeIntegralInRange(1, 2),
                           input.ConsumeIntegralInRange<platform::Status>(1, 300));
  }
}

std::wstring TextBeforeNul(const std::string& bytes) {
  return platform::FromAnsi(bytes.substr(0, bytes.find('\0')));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  fake::ResetProcess();
  const platform::RegType type =
      input.ConsumeBool() ? platform::kRegSz : input.ConsumeIntegral<platform::RegType>();
  const std::string name = input.ConsumeBool() ? "Directory" : "";
  const std::string bytes = input.ConsumeRandomLengthString(4096);
  Arrange(input, name, bytes, type);

  std::wstring value = platform::FromAnsi(kKey);
  FunzioniReg::ReadMachineString(value, platform::FromAnsi(name));

  if (!value.empty() && (type != platform::kRegSz || value != TextBeforeNul(bytes))) {
    Fail("read a text the value does not hold");
  }
  if (value.find(L'\0') != std::wstring::npos) Fail("NUL in the text read");
  const bool close_failed = !Platform().faults.failed_ops().empty() &&
                            Platform().faults.failed_ops().back() == fake::Op::kRegCloseKey;
  if (Platform().registry.open_handles() != (close_failed ? 1u : 0u)) Fail("key left open");

  // The text as the second read might hand it back, cut wherever.
  const std::wstring text = platform::FromAnsi(bytes);
  const std::wstring stripped = FunzioniReg::StripAtNull(text);
  if (stripped.find(L'\0') != std::wstring::npos ||
      text.compare(0, stripped.size(), stripped) != 0) {
    Fail("StripAtNull kept a NUL or changed the text");
  }
  return 0;
}
