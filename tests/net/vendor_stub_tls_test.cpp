// Native only: vendor-stub over HTTPS with the certificates of make-test-certs.sh, checked by
// libcurl as the download checks them: the test CA as the only trusted root, host name verified.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "net/http_post.h"
#include "stub_fetch.h"
#include "stub_process.h"

namespace update {
namespace {

namespace fs = std::filesystem;
using testing::Fetch;
using testing::StubProcess;
using testing::Transfer;

const char kCheck[] = "/api/v1/version/client/check";
const char kBody[] = R"({"client_type_id":0})";

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

int MakeCerts(const fs::path& folder) {
  const std::string command =
      "sh '" MAKE_TEST_CERTS_PATH "' '" + folder.string() + "' >/dev/null 2>&1";
  return std::system(command.c_str());
}

class VendorStubTlsTest : public ::testing::Test {
 protected:
  // One set for every test process of the run: the script keeps a whole set and lets runs
  // that meet take turns.
  static void SetUpTestSuite() {
    s_certs = TEST_CERTS_FOLDER;
    s_made = MakeCerts(s_certs) == 0;
  }

  void SetUp() override {
    ASSERT_TRUE(InitializeHttp());
    ASSERT_TRUE(s_made) << "make-test-certs.sh failed";
  }

  static std::vector<std::string> TlsArguments(const std::string& name) {
    return {"--tls-cert",      (s_certs / (name + ".pem")).string(),
            "--tls-key",       (s_certs / (name + ".key")).string(),
            "--package-bytes", "100000"};
  }
  static std::string Ca() { return (s_certs / "ca.pem").string(); }
  static std::string HttpsUrl(const StubProcess& stub) {
    return "https://localhost:" + std::to_string(stub.port());
  }

  static fs::path s_certs;
  static bool s_made;
};

fs::path VendorStubTlsTest::s_certs;
bool VendorStubTlsTest::s_made = false;

TEST_F(VendorStubTlsTest, OnlyTheTestCasLocalhostCertificatePasses) {
  const struct {
    const char* certificate;
    CURLcode withTestCa;
  } cases[] = {
      {"localhost", CURLE_OK},
      {"wrong-name", CURLE_PEER_FAILED_VERIFICATION},
      {"self-signed", CURLE_PEER_FAILED_VERIFICATION},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.certificate);
    StubProcess stub(TlsArguments(c.certificate));
    ASSERT_GT(stub.port(), 0);
    const std::string url = HttpsUrl(stub) + kCheck;
    EXPECT_EQ(Fetch(url, kBody, -1, Ca()).code, c.withTestCa);
    // The system's roots know nothing of the test CA.
    EXPECT_EQ(Fetch(url, kBody).code, CURLE_PEER_FAILED_VERIFICATION);
  }
}

// A client that matches IP addresses would pass here; the certificate names localhost only.
TEST_F(VendorStubTlsTest, TheLocalhostCertificateDoesNotNameTheAddress) {
  StubProcess stub(TlsArguments("localhost"));
  ASSERT_GT(stub.port(), 0);
  const std::string url = "https://127.0.0.1:" + std::to_string(stub.port()) + kCheck;
  EXPECT_EQ(Fetch(url, kBody, -1, Ca()).code, CURLE_PEER_FAILED_VERIFICATION);
}

TEST_F(VendorStubTlsTest, ServesAnswersAndPackagesOverHttps) {
  StubProcess stub(TlsArguments("localhost"));
  ASSERT_GT(stub.port(), 0);
  const Transfer answer = Fetch(HttpsUrl(stub) + kCheck, kBody, -1, Ca());
  ASSERT_EQ(answer.code, CURLE_OK);
  EXPECT_EQ(testing::UrlOfAnswer(answer.body), HttpsUrl(stub) + "/package/full");
  const Transfer whole = Fetch(HttpsUrl(stub) + "/package/full", nullptr, -1, Ca());
  EXPECT_EQ(whole.code, CURLE_OK);
  const struct {
    const char* scenario;
    CURLcode code;
    long redirects;
  } cases[] = {
      {"package-redirect-5", CURLE_OK, 5},
      {"package-chunked", CURLE_OK, 0},
      {"package-truncated", CURLE_PARTIAL_FILE, 0},
      {"package-reset", CURLE_RECV_ERROR, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    const std::string check = HttpsUrl(stub) + "/scenario/" + c.scenario + kCheck;
    const std::string url = testing::UrlOfAnswer(Fetch(check, "{}", -1, Ca()).body);
    ASSERT_EQ(url.rfind(HttpsUrl(stub) + "/package/", 0), 0u) << url;
    const Transfer package = Fetch(url, nullptr, 5, Ca());
    EXPECT_EQ(package.code, c.code);
    EXPECT_EQ(package.redirects, c.redirects);
    if (c.code == CURLE_OK) {
      EXPECT_TRUE(package.body == whole.body);
    }
  }
}

// A plain-HTTP stub answers with the package of a second stub that serves HTTPS.
TEST_F(VendorStubTlsTest, PointsAnswersAtAnotherStubsPackage) {
  StubProcess tls(TlsArguments("localhost"));
  ASSERT_GT(tls.port(), 0);
  const std::string packageUrl = HttpsUrl(tls) + "/package/full";
  StubProcess plain({"--package-url", packageUrl});
  ASSERT_GT(plain.port(), 0);
  const std::string url = testing::UrlOfAnswer(Fetch(plain.baseUrl() + kCheck, kBody).body);
  EXPECT_EQ(url, packageUrl);
  const Transfer package = Fetch(url, nullptr, 5, Ca());
  EXPECT_EQ(package.code, CURLE_OK);
  EXPECT_GT(package.body.size(), 90000u);
  EXPECT_EQ(package.body.compare(0, 2, "PK"), 0);
}

TEST_F(VendorStubTlsTest, MakeTestCertsKeepsAWholeSetAndRemakesABrokenOne) {
  const fs::path folder =
      fs::path(::testing::TempDir()) / ("vendor-stub-certs-" + std::to_string(getpid()));
  fs::remove_all(folder);
  ASSERT_EQ(MakeCerts(folder), 0);
  const std::string ca = ReadFile(folder / "ca.pem");
  const std::string key = ReadFile(folder / "localhost.key");
  ASSERT_EQ(MakeCerts(folder), 0);
  EXPECT_EQ(ReadFile(folder / "ca.pem"), ca) << "a whole set is kept";
  EXPECT_EQ(ReadFile(folder / "localhost.key"), key);

  fs::remove(folder / "wrong-name.key");
  ASSERT_EQ(MakeCerts(folder), 0);
  EXPECT_NE(ReadFile(folder / "ca.pem"), ca) << "a broken set is made anew";
  // The new server certificate is signed by the new CA.
  StubProcess stub({"--tls-cert", (folder / "localhost.pem").string(), "--tls-key",
                    (folder / "localhost.key").string()});
  ASSERT_GT(stub.port(), 0);
  EXPECT_EQ(Fetch(HttpsUrl(stub) + kCheck, kBody, -1, (folder / "ca.pem").string()).code, CURLE_OK);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace update
