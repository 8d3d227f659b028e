// The Automation conversions of text against arbitrary input: a text that is no number may only
// raise ComError 13 (type mismatch) or 6 (overflow), never crash or overflow a conversion, and a
// number written by formatDouble must read back as the same number to its 15 significant digits.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "automation/variant.h"
#include "platform/text.h"

using automation::ComError;
using automation::Variant;

namespace {

// Wide characters two bytes each, so that letters beyond Latin-1 and stray surrogates appear too.
std::wstring textOf(const std::uint8_t* data, std::size_t size) {
  std::wstring text;
  for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  return text;
}

[[noreturn]] void fail(const char* what, const std::wstring& text) {
  std::fprintf(stderr, "%s: \"%s\"\n", what, platform::toUtf8(text).c_str());
  std::abort();
}

template <typename Conversion>
void convert(const std::wstring& text, Conversion&& conversion) {
  try {
    conversion();
  } catch (const ComError& error) {
    if (error.number() != 13 && error.number() != 6) fail("unexpected error number", text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring text = textOf(data, size);
  const Variant value(text);
  convert(text, [&] { value.toBool(); });
  convert(text, [&] { value.toInt16(); });
  convert(text, [&] { value.toInt32(); });
  double number = NAN;
  convert(text, [&] { number = value.toDouble(); });
  if (!std::isfinite(number)) return 0;
  const std::wstring written = automation::formatDouble(number);
  try {
    const double back = automation::parseNumber(written);
    if (std::fabs(back - number) > std::fabs(number) * 1e-14) fail("formatDouble does not read back", written);
  } catch (const ComError&) {
    fail("formatDouble wrote what parseNumber refuses", written);
  }
  return 0;
}
