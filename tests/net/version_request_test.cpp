#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <climits>

#include "net/http_post.h"
#include "net/version_request.h"
#include "stub_connection.h"

namespace update {
namespace {

TEST(VersionCheckBodyTest, WritesTheClientTypeIdCompactly) {
  const struct {
    int id;
    const char* expected;
  } cases[] = {
      {7, R"({"client_type_id":7})"},
      {-5, R"({"client_type_id":-5})"},
      {0, R"({"client_type_id":0})"},
      {INT_MAX, R"({"client_type_id":2147483647})"},
      {INT_MIN, R"({"client_type_id":-2147483648})"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(BuildVersionCheckBody(cases[i].id), cases[i].expected);
  }
  EXPECT_EQ(BuildVersionCheckBody(7).size(), 20u);
}

class RequestClientVersionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitializeHttp());
    ASSERT_TRUE(testing::FindStub(m_stub));
  }
  testing::StubConnection m_stub;
};

// The stub's echo scenario answers with what reached it, so this checks the wire.
TEST_F(RequestClientVersionTest, PostsTheBodyWithOneJsonContentTypeToTheCheckPath) {
  const struct {
    int id;
    const char* body;
  } cases[] = {{-5, R"({"client_type_id":-5})"}, {0, R"({"client_type_id":0})"}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    std::string answer;
    ASSERT_EQ(RequestClientVersion(m_stub.baseUrl + "/scenario/echo", answer, cases[i].id), 0)
        << answer;
    rapidjson::Document echo;
    echo.Parse(answer.c_str());
    ASSERT_FALSE(echo.HasParseError()) << answer;
    EXPECT_STREQ(echo["method"].GetString(), "POST");
    EXPECT_STREQ(echo["path"].GetString(), "/scenario/echo/api/v1/version/client/check");
    ASSERT_EQ(echo["content_type"].Size(), 1u) << answer;
    EXPECT_STREQ(echo["content_type"][0].GetString(), "application/json;charset=UTF-8");
    EXPECT_STREQ(echo["body"].GetString(), cases[i].body);
  }
}

TEST_F(RequestClientVersionTest, HandsBackTheServiceAnswerForTheClientType) {
  std::string answer;
  ASSERT_EQ(RequestClientVersion(m_stub.baseUrl, answer, 11), 0) << answer;
  EXPECT_EQ(answer, R"({"success":false,"message":"no package for this client"})");

  ASSERT_EQ(RequestClientVersion(m_stub.baseUrl, answer, 3), 0) << answer;
  EXPECT_EQ(answer, R"({"success":true,"version_number":"3.2.0.1","url":")" + m_stub.baseUrl +
                        R"(/package/full"})");
}

}  // namespace
}  // namespace update
