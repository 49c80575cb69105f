// Windows only: the OS version read through WMI.
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>

#include "net/os_version.h"

namespace update {
namespace {

bool IsDottedVersion(const std::wstring& text) {
  return std::regex_match(text, std::wregex(LR"(\d+\.\d+\.\d+)"));
}

TEST(OsVersionTest, ReturnsTheDottedWindowsVersion) {
  std::wstring version;
  ::testing::internal::CaptureStdout();
  const int result = QueryOsVersion(version);
  const std::string output = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(result, 0) << output;
  EXPECT_TRUE(IsDottedVersion(version)) << ::testing::PrintToString(version);
  EXPECT_EQ(output, "Connected to ROOT\\CIMV2 WMI namespace\n");
}

// COM security can be set once per process; a second query still gets its answer.
TEST(OsVersionTest, SecondQueryInOneProcessAlsoSucceeds) {
  std::wstring first;
  std::wstring second = L"previous";
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(QueryOsVersion(first), 0);
  EXPECT_EQ(QueryOsVersion(second), 0);
  const std::string output = ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(IsDottedVersion(first)) << output;
  EXPECT_EQ(second, first) << output;
}

// The report's version comes within its limit whatever WMI does: WMI's answer when it comes in
// time, else the kernel's, in the same dotted form.
TEST(OsVersionTest, TheReportsVersionComesWithinItsLimit) {
  const struct {
    const char* what;
    OsVersionQuery query;
    bool wmiAnswer;
  } rows[] = {
      {"an answer in time", [](std::wstring& v) { return v = L"1.2.3", 0; }, true},
      {"a failed query", [](std::wstring&) { return 1; }, false},
      {"a query that hangs", [](std::wstring& v) { return Sleep(INFINITE), v = L"1.2.3", 0; },
       false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const DWORD start = GetTickCount();
    ::testing::internal::CaptureStderr();
    const std::wstring version = OsVersionWithin(row.query, 300);
    ::testing::internal::GetCapturedStderr();
    EXPECT_LT(GetTickCount() - start, 5000u) << "waited past its limit";
    if (row.wmiAnswer) {
      EXPECT_EQ(version, L"1.2.3");
    } else {
      EXPECT_TRUE(IsDottedVersion(version)) << ::testing::PrintToString(version);
    }
  }
}

}  // namespace
}  // namespace update
