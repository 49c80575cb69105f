// Native only: what vendor-stub counts and hands back on GET /stats.
#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <unistd.h>

#include <fstream>

#include "net/http_post.h"
#include "stub_fetch.h"
#include "stub_process.h"

namespace update {
namespace {

using testing::Fetch;
using testing::StubProcess;

class VendorStubStatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitializeHttp());
    m_packageFile = ::testing::TempDir() + "vendor-stub-stats-" + std::to_string(getpid()) + ".bin";
    m_package.resize(200001);
    for (size_t i = 0; i < m_package.size(); ++i) m_package[i] = static_cast<char>(i * 13 + i / 97);
    std::ofstream(m_packageFile, std::ios::binary) << m_package;
  }
  void TearDown() override { std::remove(m_packageFile.c_str()); }

  static rapidjson::Document Stats(const StubProcess& stub) {
    const testing::Transfer answer = Fetch(stub.baseUrl() + "/stats");
    EXPECT_EQ(answer.status, 200);
    rapidjson::Document stats;
    stats.Parse(answer.body.c_str());
    EXPECT_TRUE(stats.IsObject()) << answer.body;
    return stats;
  }

  std::string m_packageFile;
  std::string m_package;
};

TEST_F(VendorStubStatsTest, CountsWhatArrivedAndWhatWasSent) {
  StubProcess stub({"--package", m_packageFile});
  ASSERT_GT(stub.port(), 0);
  const std::string check = "/api/v1/version/client/check";
  const std::string base = stub.baseUrl();
  // A refused body is a version check received all the same.
  const struct {
    std::string path;
    const char* body;
  } checks[] = {{check, R"({"client_type_id":0})"},
                {"/scenario/package-truncated" + check, R"({"client_type_id":0})"},
                {check, "not json"},
                {"/scenario/ok" + check, "{\"client_type_id\":7,\"x\":\"\xE6\x96\xB0\"}"}};
  for (const auto& c : checks) Fetch(base + c.path, c.body);
  Fetch(base + "/log", R"({"act":1})");
  Fetch(base + "/log", R"({"act":2})");
  EXPECT_EQ(Fetch(base + "/package/full").body.size(), m_package.size());
  EXPECT_EQ(Fetch(base + "/package/truncated").code, CURLE_PARTIAL_FILE);
  EXPECT_EQ(Fetch(base + "/package/redirect/2", nullptr, 5).code, CURLE_OK);
  EXPECT_EQ(Fetch(base + "/package/missing").status, 404);
  EXPECT_EQ(Fetch(base + "/package/chunked").code, CURLE_OK);

  rapidjson::Document stats = Stats(stub);
  ASSERT_TRUE(stats.IsObject());
  EXPECT_EQ(stats["version_check_count"].GetUint64(), std::size(checks));
  ASSERT_EQ(stats["version_checks"].Size(), std::size(checks));
  for (size_t i = 0; i < std::size(checks); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(stats["version_checks"][i]["path"].GetString(), checks[i].path);
    EXPECT_EQ(stats["version_checks"][i]["body"].GetString(), std::string(checks[i].body));
  }
  EXPECT_EQ(stats["last_version_check_body"].GetString(), std::string(checks[3].body));
  EXPECT_EQ(stats["report_count"].GetUint64(), 2u);
  ASSERT_EQ(stats["reports"].Size(), 2u);
  EXPECT_STREQ(stats["reports"][1].GetString(), R"({"act":2})");

  const struct {
    const char* route;
    unsigned count;
  } routes[] = {{"/package/full", 1},       {"/package/truncated", 1},  {"/package/redirect/2", 1},
                {"/package/redirect/1", 1}, {"/package/redirect/0", 1}, {"/package/missing", 1},
                {"/package/chunked", 1}};
  const rapidjson::Value& requests = stats["package_requests"];
  EXPECT_EQ(requests.MemberCount(), std::size(routes));
  for (const auto& r : routes) {
    SCOPED_TRACE(r.route);
    ASSERT_TRUE(requests.HasMember(r.route));
    EXPECT_EQ(requests[r.route].GetUint64(), r.count);
  }
  // Whole three times (full, the end of the redirects, chunked) and half once.
  EXPECT_EQ(stats["package_bytes_sent"].GetUint64(), 3 * m_package.size() + m_package.size() / 2);
  EXPECT_EQ(stats["packages_completed"].GetUint64(), 3u);
}

TEST_F(VendorStubStatsTest, StartsEmptyAndResetsToEmpty) {
  StubProcess stub({"--package", m_packageFile});
  ASSERT_GT(stub.port(), 0);
  const auto expectEmpty = [&stub] {
    rapidjson::Document stats = Stats(stub);
    ASSERT_TRUE(stats.IsObject());
    EXPECT_EQ(stats["version_check_count"].GetUint64(), 0u);
    EXPECT_TRUE(stats["last_version_check_body"].IsNull());
    EXPECT_EQ(stats["version_checks"].Size(), 0u);
    EXPECT_EQ(stats["report_count"].GetUint64(), 0u);
    EXPECT_EQ(stats["reports"].Size(), 0u);
    EXPECT_EQ(stats["package_requests"].MemberCount(), 0u);
    EXPECT_EQ(stats["package_bytes_sent"].GetUint64(), 0u);
    EXPECT_EQ(stats["packages_completed"].GetUint64(), 0u);
    EXPECT_EQ(stats["last_package_ms"].GetUint64(), 0u);
  };
  {
    SCOPED_TRACE("at the start");
    expectEmpty();
  }
  Fetch(stub.baseUrl() + "/api/v1/version/client/check", "{}");
  Fetch(stub.baseUrl() + "/log", "{}");
  Fetch(stub.baseUrl() + "/package/full");
  EXPECT_EQ(Fetch(stub.baseUrl() + "/stats/reset", "").status, 200);
  {
    SCOPED_TRACE("after the reset");
    expectEmpty();
  }
}

}  // namespace
}  // namespace update
