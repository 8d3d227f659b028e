#pragma once
// A tiny harness for the Windows test programs that run under Wine: each failed check is printed
// with its line (where it has one), each test reports ok or FAILED (also one that checked
// nothing), and the run ends with the line
// "N passed, N failed" (tests, not checks) that the runner requires, since Wine may exit 0 after
// a crash. The exit code is non-zero when any test failed.

#include <windows.h>

#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "automation/com_error.h"
#include "platform/text.h"

namespace wine_host::testing {

struct Harness {
  const char* test = "";
  int checks = 0;
  int failedChecks = 0;

  void check(bool ok, const char* what, int line, const std::wstring& detail = {}) {
    ++checks;
    if (ok) return;
    ++failedChecks;
    std::printf("FAIL [%s]%s: %s%s%s\n", test, line ? (" line " + std::to_string(line)).c_str() : "", what,
                detail.empty() ? "" : " -- ", platform::toUtf8(detail).c_str());
    std::fflush(stdout);
  }
};

inline Harness harness;

inline std::wstring hex(long value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(value));
  return text;
}

struct TestCase {
  const char* name;
  std::function<void()> run;
};

// Runs the tests in order; an exception that escapes a test fails it. Returns the exit code.
inline int runTests(const std::vector<TestCase>& tests) {
  int passed = 0;
  int failed = 0;
  for (const auto& test : tests) {
    harness.test = test.name;
    const int before = harness.failedChecks;
    const int checksBefore = harness.checks;
    try {
      test.run();
    } catch (const automation::ComError& error) {
      harness.check(false, "unexpected ComError", __LINE__, hex(error.number()) + L" " + error.description());
    } catch (const std::exception& error) {
      harness.check(false, "unexpected exception", __LINE__, platform::fromUtf8(error.what()));
    }
    if (harness.checks == checksBefore) harness.check(false, "the test checked nothing", __LINE__);
    if (harness.failedChecks == before) {
      ++passed;
      std::printf("ok   %s\n", test.name);
    } else {
      ++failed;
      std::printf("FAILED %s\n", test.name);
    }
    std::fflush(stdout);
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fflush(stdout);
  return failed == 0 ? 0 : 1;
}

}  // namespace wine_host::testing

#define CHECK(condition) ::wine_host::testing::harness.check(static_cast<bool>(condition), #condition, __LINE__)
#define CHECK_HR(actual, expected)                                                                           \
  do {                                                                                                       \
    const HRESULT actual_ = (actual);                                                                        \
    const HRESULT expected_ = (expected);                                                                    \
    ::wine_host::testing::harness.check(                                                                     \
        actual_ == expected_, #actual " == " #expected, __LINE__,                                            \
        L"got " + ::wine_host::testing::hex(actual_) + L", wanted " + ::wine_host::testing::hex(expected_)); \
  } while (false)
#define CHECK_TEXT(actual, expected)                                                                 \
  do {                                                                                               \
    const std::wstring actual_ = (actual);                                                           \
    const std::wstring expected_ = (expected);                                                       \
    ::wine_host::testing::harness.check(actual_ == expected_, #actual " == " #expected, __LINE__,    \
                                        L"got \"" + actual_ + L"\", wanted \"" + expected_ + L"\""); \
  } while (false)
