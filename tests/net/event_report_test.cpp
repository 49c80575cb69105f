#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>

#include "net/event_report.h"
#include "net/http_post.h"
#include "stub_connection.h"

namespace update {
namespace {

TEST(EventReportBodyTest, WritesTheMembersInOrderWithDefaultEscaping) {
  using namespace std::string_literals;
  const struct {
    int act;
    int type;
    std::wstring os;
    std::wstring reason;
    std::string version;
    std::string expected;
  } cases[] = {
      // install: act 1, type 0
      {1, 0, L"6.1.7601", L"", "3.2.0.1",
       R"({"act":1,"type":0,"version":"3.2.0.1","os":"6.1.7601"})"},
      // update of a client of type 3
      {2, 3, L"10.0.19045", L"", "3.2.0.1",
       R"({"act":2,"type":3,"version":"3.2.0.1","os":"10.0.19045"})"},
      {2, -5, L"", L"", "", R"({"act":2,"type":-5,"version":"","os":""})"},
      // a reason adds "resion" between version and os, in UTF-8
      {1, 0, L"6.1", L"\x78C1\x76D8\x5DF2\x6EE1", "1",
       "{\"act\":1,\"type\":0,\"version\":\"1\",\"resion\":\"\xE7\xA3\x81\xE7\x9B\x98\xE5\xB7\xB2"
       "\xE6\xBB\xA1\",\"os\":\"6.1\"}"},
      {1, 0, L"", L"\0hidden"s, "1", R"({"act":1,"type":0,"version":"1","os":""})"},
      // quotation marks and backslashes get a backslash
      {1, 0, LR"(a"b\c)", L"", R"(3.2 "beta" C:\x)",
       R"({"act":1,"type":0,"version":"3.2 \"beta\" C:\\x","os":"a\"b\\c"})"},
      // control characters
      {1, 0, L"", L"", "\b\t\n\f\r", R"({"act":1,"type":0,"version":"\b\t\n\f\r","os":""})"},
      {1, 0, L"\x01", L"", "\x1f\x7f",
       "{\"act\":1,\"type\":0,\"version\":\"\\u001F\x7f\",\"os\":\"\\u0001\"}"},
      // UTF-8 stays as it is; wide text becomes UTF-8
      {2, 3, L"Windows \x6D4B\x8BD5", L"", "\xE7\x89\x88 2",
       "{\"act\":2,\"type\":3,\"version\":\"\xE7\x89\x88 2\",\"os\":\"Windows \xE6\xB5\x8B\xE8"
       "\xAF\x95\"}"},
      // texts end at their first NUL
      {1, 0, L"6.1\0junk"s, L"", "3.2\0junk"s, R"({"act":1,"type":0,"version":"3.2","os":"6.1"})"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    EXPECT_EQ(BuildEventReportBody(c.act, c.type, c.os, c.reason, c.version), c.expected);
  }
}

class SendEventReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitializeHttp());
    ASSERT_TRUE(testing::FindStub(m_stub));
  }
  testing::StubConnection m_stub;
};

// Other tests may report to the same stub at the same time: each report carries its own mark.
std::string UniqueVersion() {
  static std::atomic<int> counter{0};
  return "9.9 \xE6\xB5\x8B " +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
         std::to_string(counter++);
}

TEST_F(SendEventReportTest, DeliversTheBodyToALogEndpointWrittenWithoutScheme) {
  const std::string version = UniqueVersion();
  const std::string body = BuildEventReportBody(2, 3, L"10.0.19045", L"", version);
  ASSERT_EQ(
      internal::SendEventReportTo(m_stub.hostAndPort + "/log", 2, 3, L"10.0.19045", L"", version),
      0);
  const std::vector<std::string> lines = testing::ReadReportLines(m_stub);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), body), 1) << body;
}

TEST_F(SendEventReportTest, UnreachableEndpointGivesMinusOne) {
  testing::RefusingPort closed;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(internal::SendEventReportTo("127.0.0.1:" + std::to_string(closed.port()) + "/log", 1, 0,
                                        L"6.1", L"", "1"),
            -1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "curl_easy_perform() failed: Couldn't connect to server\n");
}

}  // namespace
}  // namespace update
