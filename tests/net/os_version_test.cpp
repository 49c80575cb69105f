// Windows only: the OS version read through WMI.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace update
