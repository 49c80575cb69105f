#include <curl/curl.h>
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#ifdef _WIN32
#include <windows.h>
#endif

#include "net/http_post.h"
#include "stub_connection.h"

namespace update {
namespace {

using Clock = std::chrono::steady_clock;

// Sets (or with null removes) an environment variable as libcurl reads it.
void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name, value);
#else
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
#endif
}

class HttpPostJsonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitializeHttp());
    ASSERT_TRUE(testing::FindStub(m_stub));
  }
  std::string ScenarioUrl(const std::string& name) const {
    return m_stub.baseUrl + "/scenario/" + name + "/api/v1/version/client/check";
  }
  std::string GoodAnswer() const {
    return R"({"success":true,"version_number":"3.2.0.1","url":")" + m_stub.baseUrl +
           R"(/package/full"})";
  }
  testing::StubConnection m_stub;
};

TEST_F(HttpPostJsonTest, EmptyBodyGivesZeroAndAnEmptyAnswer) {
  std::string answer = "left over from before";
  EXPECT_EQ(HttpPostJson(1, answer, ScenarioUrl("empty"), "{}"), 0);
  EXPECT_EQ(answer, "");
}

// Whoever starts the elevated program chooses its environment: a proxy named there (here a
// closed port) is not taken.
TEST_F(HttpPostJsonTest, AProxyOfTheEnvironmentIsNotTaken) {
  const char* names[] = {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"};
  for (const char* name : names) SetVariable(name, "http://127.0.0.1:9");
  std::string answer;
  const int result = HttpPostJson(1, answer, ScenarioUrl("ok"), "{}");
  for (const char* name : names) SetVariable(name, nullptr);
  EXPECT_EQ(result, 0) << answer;
}

TEST_F(HttpPostJsonTest, NulInsideTheBodyCutsTheAnswer) {
  std::string answer;
  EXPECT_EQ(HttpPostJson(1, answer, ScenarioUrl("nul-inside"), "{}"), 0);
  EXPECT_EQ(answer, GoodAnswer());  // the 64 KiB after the NUL are dropped
}

TEST_F(HttpPostJsonTest, ErrorStatusWithABodyGivesZeroAndTheBody) {
  std::string answer;
  EXPECT_EQ(HttpPostJson(1, answer, ScenarioUrl("html"), "{}"), 0);
  EXPECT_EQ(answer.rfind("<!DOCTYPE html>", 0), 0u) << answer;
  EXPECT_NE(answer.find("502 Bad Gateway"), std::string::npos) << answer;
}

TEST_F(HttpPostJsonTest, RefusedConnectionGivesMinusOneAndTheLibraryText) {
  testing::RefusingPort closed;
  std::string answer = "unchanged?";
  ::testing::internal::CaptureStderr();
  const int result =
      HttpPostJson(1, answer, "http://127.0.0.1:" + std::to_string(closed.port()) + "/log", "{}");
  const std::string stderrText = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(result, -1);
  EXPECT_EQ(answer, curl_easy_strerror(CURLE_COULDNT_CONNECT));
  EXPECT_EQ(answer, "Couldn't connect to server");
  EXPECT_EQ(stderrText, "curl_easy_perform() failed: Couldn't connect to server\n");
}

TEST_F(HttpPostJsonTest, NonAsciiUtf8AnswerArrivesAsTheServerSentIt) {
  std::string answer;
  ASSERT_EQ(HttpPostJson(1, answer, ScenarioUrl("utf8"), "{}"), 0);
  rapidjson::Document document;
  document.Parse(answer.c_str());
  ASSERT_FALSE(document.HasParseError()) << answer;
  EXPECT_STREQ(document["version_number"].GetString(),
               "3.2.0 \xE6\xB5\x8B\xE8\xAF\x95\xE7\x89\x88 Z\xC3\xBCrich \xF0\x9F\x9A\x80 "
               "\xE2\x98\x83");
}

TEST_F(HttpPostJsonTest, BodyIsSentUpToItsFirstNul) {
  std::string answer;
  ASSERT_EQ(HttpPostJson(1, answer, ScenarioUrl("echo"), std::string("{\"a\":1}\0tail", 12)), 0);
  rapidjson::Document echo;
  echo.Parse(answer.c_str());
  ASSERT_FALSE(echo.HasParseError()) << answer;
  EXPECT_STREQ(echo["body"].GetString(), "{\"a\":1}");
}

TEST_F(HttpPostJsonTest, HugeAnswerArrivesWholeBelowTheLimitAndFailsAboveIt) {
  std::string answer;
  ASSERT_EQ(HttpPostJson(1, answer, ScenarioUrl("huge"), "{}"), 0);
  EXPECT_EQ(answer.size(), 4u * 1024 * 1024);  // the stub's default huge answer
  rapidjson::Document document;
  document.Parse(answer.c_str());
  EXPECT_FALSE(document.HasParseError());

  internal::TransferLimits limits;
  limits.maxAnswerBytes = 1024 * 1024;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(internal::HttpPostJsonWithLimits(1, answer, ScenarioUrl("huge"), "{}", limits), -1);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(answer, curl_easy_strerror(CURLE_WRITE_ERROR));
}

// The stub stalls far longer (90 s) than these limits; the transfer must end by the limit.
TEST_F(HttpPostJsonTest, StalledServerEndsByTheStallLimit) {
  const char* scenarios[] = {"stall", "stall-body"};
  internal::TransferLimits limits;
  limits.stallSeconds = 1;
  limits.totalSeconds = 45;
  for (size_t i = 0; i < std::size(scenarios); ++i) {
    SCOPED_TRACE(scenarios[i]);
    std::string answer;
    const Clock::time_point start = Clock::now();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(internal::HttpPostJsonWithLimits(1, answer, ScenarioUrl(scenarios[i]), "{}", limits),
              -1);
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30)) << "ended by the overall limit?";
    EXPECT_EQ(answer, curl_easy_strerror(CURLE_OPERATION_TIMEDOUT));
    EXPECT_EQ(stderrText.rfind("curl_easy_perform() failed: ", 0), 0u) << stderrText;
  }
}

// A close during the version check: the request ends at once, whatever the server does.
TEST_F(HttpPostJsonTest, ACancelEndsTheRequestAtOnce) {
  for (const char* scenario : {"stall", "stall-body"}) {
    SCOPED_TRACE(scenario);
    std::atomic<bool> cancel{false};
    std::thread closer([&cancel] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the user's close
      cancel = true;
    });
    std::string answer;
    const Clock::time_point start = Clock::now();
    ::testing::internal::CaptureStderr();
    const int result = HttpPostJsonUnlessCancelled(1, answer, ScenarioUrl(scenario), "{}", cancel);
    ::testing::internal::GetCapturedStderr();
    closer.join();
    EXPECT_EQ(result, -1);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5)) << "not ended by the cancel";
    EXPECT_EQ(answer, curl_easy_strerror(CURLE_ABORTED_BY_CALLBACK));
  }
}

// The trickle keeps coming at 4 bytes/s, so it never counts as stalled, but lasts about 75 s.
TEST_F(HttpPostJsonTest, TrickleEndsByTheOverallLimit) {
  internal::TransferLimits limits;
  limits.stallSeconds = 1;
  limits.totalSeconds = 3;
  std::string answer;
  const Clock::time_point start = Clock::now();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(internal::HttpPostJsonWithLimits(1, answer, ScenarioUrl("trickle"), "{}", limits), -1);
  ::testing::internal::GetCapturedStderr();
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(2900)) << "ended as stalled?";
  EXPECT_EQ(answer, curl_easy_strerror(CURLE_OPERATION_TIMEDOUT));
}

TEST_F(HttpPostJsonTest, SlowAnswerWithinTheLimitsArrives) {
  std::string answer;
  EXPECT_EQ(HttpPostJson(1, answer, ScenarioUrl("slow"), "{}"), 0);
  EXPECT_EQ(answer, GoodAnswer());
}

}  // namespace
}  // namespace update
