// How the user's proxy settings apply to a URL: the proxy list by scheme, the bypass list.
#include "net/proxy_rules.h"

#include <gtest/gtest.h>

namespace update {
namespace {

TEST(ProxyRulesTest, TheProxyOfAUrlAsWindowsWouldChooseIt) {
  const struct {
    const char* proxies;
    const char* bypass;
    const char* url;
    const char* expected;  // "": direct
  } rows[] = {
      {"proxy:3128", "", "http://api.example/check", "proxy:3128"},
      {"proxy:3128", "", "https://dl.example/p.zip", "proxy:3128"},
      {"http://proxy:3128", "", "http://api.example/", "proxy:3128"},
      {"http=web:80;https=tls:443", "", "http://a.example/", "web:80"},
      {"http=web:80;https=tls:443", "", "HTTPS://a.example/", "tls:443"},
      {"http=web:80", "", "https://a.example/", ""},
      {"ftp=f:21 http=web:80", "", "http://a.example/", "web:80"},
      {"socks=s:1080;proxy:8080", "", "http://a.example/", "proxy:8080"},
      {"", "", "http://a.example/", ""},
      {"proxy:3128", "<local>", "http://intranet/x", ""},
      {"proxy:3128", "<local>", "http://intranet.example/x", "proxy:3128"},
      {"proxy:3128", "<local>", "http://[::1]:80/x", "proxy:3128"},
      {"proxy:3128", "*.example.com; 10.*", "http://dl.Example.COM/p", ""},
      {"proxy:3128", "*.example.com; 10.*", "http://example.com/p", "proxy:3128"},
      {"proxy:3128", "*.example.com; 10.*", "http://10.1.2.3:8080/p", ""},
      {"proxy:3128", "127.0.0.1", "http://127.0.0.1:5000/package", ""},
      {"proxy:3128", "127.0.0.1", "http://localhost:5000/check", "proxy:3128"},
      {"proxy:3128", "http://dl.example:8080,other", "http://user:pw@DL.example:9/p", ""},
      {"proxy:3128", "*", "http://anything/", ""},
      {"proxy:3128", "", "log.example/log", "proxy:3128"},  // no scheme: http, as libcurl takes it
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.proxies) + " | " + row.bypass + " | " + row.url);
    const std::optional<UrlParts> parts = SplitUrl(row.url);
    ASSERT_TRUE(parts);
    const std::string proxy =
        IsBypassed(row.bypass, parts->host) ? "" : ProxyForScheme(row.proxies, parts->scheme);
    EXPECT_EQ(proxy, row.expected);
  }
  EXPECT_FALSE(SplitUrl("http:///path")) << "no host";
}

}  // namespace
}  // namespace update
