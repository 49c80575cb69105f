// Native only: what vendor-stub counts and hands back on GET /stats.
#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

#include "net/http_post.h"
#include "stub_fetch.h"
#include "stub_process.h"

namespace update {
namespace {

using testing::Fetch;
using testing::StubProcess;

// A GET with request headers of its own, keeping the answer's headers (names in lowercase).
struct Answer {
  CURLcode code = CURLE_OK;
  long status = 0;
  std::string body;
  std::map<std::string, std::string> headers;
};

size_t KeepBody(char* data, size_t size, size_t count, void* answer) {
  static_cast<Answer*>(answer)->body.append(data, size * count);
  return size * count;
}

size_t KeepHeader(char* data, size_t size, size_t count, void* answer) {
  const std::string line(data, size * count);
  const size_t colon = line.find(':');
  if (colon != std::string::npos) {
    std::string name = line.substr(0, colon);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const size_t start = line.find_first_not_of(' ', colon + 1);
    static_cast<Answer*>(answer)->headers[name] = line.substr(start, line.find('\r') - start);
  }
  return size * count;
}

Answer Get(const std::string& url, const std::vector<std::string>& headers) {
  Answer answer;
  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> list(nullptr, &curl_slist_free_all);
  for (const std::string& header : headers) {
    curl_slist* head = curl_slist_append(list.get(), header.c_str());  // the same when not empty
    if (!list) list.reset(head);
  }
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(), &curl_easy_cleanup);
  curl_easy_setopt(handle.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle.get(), CURLOPT_HTTPHEADER, list.get());
  curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, &KeepBody);
  curl_easy_setopt(handle.get(), CURLOPT_WRITEDATA, &answer);
  curl_easy_setopt(handle.get(), CURLOPT_HEADERFUNCTION, &KeepHeader);
  curl_easy_setopt(handle.get(), CURLOPT_HEADERDATA, &answer);
  curl_easy_setopt(handle.get(), CURLOPT_TIMEOUT, 60L);
  answer.code = curl_easy_perform(handle.get());
  curl_easy_getinfo(handle.get(), CURLINFO_RESPONSE_CODE, &answer.status);
  return answer;
}

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

// Ranges from N as a resumed download asks for them, closed and last-N ranges as an update of
// changed items asks for them, the validators that guard them, and a --reset-at break that such
// a range then completes.
TEST_F(VendorStubStatsTest, ServesRangesAndBreaksWhereAsked) {
  StubProcess stub({"--package", m_packageFile, "--reset-at", "30%"});
  ASSERT_GT(stub.port(), 0);
  const size_t size = m_package.size();          // 200001; 30% of it is 60000
  enum IfRange { kNone, kEtag, kDate, kOther };  // kEtag, kDate: of the row before
  const struct {
    const char* path;
    const char* range;  // "": none
    IfRange ifRange;
    long status;
    size_t from, to;  // the bytes of the package received
    const char* contentRange;
  } rows[] = {
      {"/package/full", "", kNone, 200, 0, 60000, ""},  // then reset
      {"/package/full", "bytes=60000-", kEtag, 206, 60000, size, "bytes 60000-200000/200001"},
      {"/package/drip", "bytes=190000-", kDate, 206, 190000, size, "bytes 190000-200000/200001"},
      {"/package/full", "bytes=1000-", kOther, 200, 0, size, ""},
      {"/package/full", "bytes=200001-", kNone, 416, 0, 0, "bytes */200001"},
      {"/package/full", "bytes=0-9", kNone, 206, 0, 10, "bytes 0-9/200001"},
      {"/package/full", "bytes=-100", kEtag, 206, size - 100, size, "bytes 199901-200000/200001"},
      {"/package/full", "bytes=199990-300000", kNone, 206, 199990, size,
       "bytes 199990-200000/200001"},
      {"/package/full", "bytes=9-0", kNone, 200, 0, size, ""},
      {"/package/full", "bytes=0-9,20-29", kNone, 200, 0, size, ""},
      {"/package/full", "items=0-9", kNone, 200, 0, size, ""},
      {"/package/ignores-range", "bytes=1000-", kEtag, 200, 0, size, ""},
      {"/package/new-validator", "bytes=1000-", kNone, 206, 1000, size, "bytes 1000-200000/200001"},
      {"/package/new-validator", "bytes=1000-", kEtag, 200, 0, size, ""},
  };
  std::string etag, date;
  for (size_t i = 0; i < std::size(rows); ++i) {
    const auto& r = rows[i];
    SCOPED_TRACE(i);
    std::vector<std::string> headers;
    if (*r.range) headers.push_back(std::string("Range: ") + r.range);
    const std::string validators[] = {"", etag, date, "\"other\""};
    if (r.ifRange != kNone) headers.push_back("If-Range: " + validators[r.ifRange]);
    Answer answer = Get(stub.baseUrl() + r.path, headers);
    EXPECT_EQ(answer.code, r.to == 60000 ? CURLE_RECV_ERROR : CURLE_OK);
    EXPECT_EQ(answer.status, r.status);
    EXPECT_TRUE(answer.body == m_package.substr(r.from, r.to - r.from)) << answer.body.size();
    EXPECT_EQ(answer.headers["content-range"], r.contentRange);
    EXPECT_EQ(answer.headers["accept-ranges"], "bytes");
    const bool fresh = i == 0 || std::string(r.path) == "/package/new-validator";
    EXPECT_EQ(answer.headers["etag"] != etag, fresh) << answer.headers["etag"];
    etag = answer.headers["etag"];
    date = answer.headers["last-modified"];
    EXPECT_TRUE(etag.size() > 2 && etag.front() == '"' && etag.back() == '"' && !date.empty());
  }
  rapidjson::Document stats = Stats(stub);
  ASSERT_TRUE(stats.IsObject());
  EXPECT_EQ(stats["range_requests"].GetUint64(), std::size(rows) - 1);
  EXPECT_STREQ(stats["last_range"].GetString(), "bytes=1000-");
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
    EXPECT_EQ(stats["range_requests"].GetUint64(), 0u);
    EXPECT_TRUE(stats["last_range"].IsNull());
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
