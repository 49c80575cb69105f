#include "stub_fetch.h"

#include <rapidjson/document.h>

namespace update::testing {
namespace {

size_t Append(char* data, size_t size, size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  transfer.body.append(data, size * count);
  ++transfer.writes;
  return size * count;
}

}  // namespace

Transfer Fetch(const std::string& url, const char* postBody, long maxRedirects,
               const std::string& caFile) {
  Transfer transfer;
  CURL* handle = curl_easy_init();
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  if (postBody) curl_easy_setopt(handle, CURLOPT_POSTFIELDS, postBody);
  if (maxRedirects >= 0) {
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, maxRedirects);
  }
  if (!caFile.empty()) curl_easy_setopt(handle, CURLOPT_CAINFO, caFile.c_str());
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Append);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, 60L);
  transfer.code = curl_easy_perform(handle);
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &transfer.status);
  curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &transfer.announcedLength);
  curl_easy_getinfo(handle, CURLINFO_REDIRECT_COUNT, &transfer.redirects);
  curl_easy_cleanup(handle);
  return transfer;
}

std::string UrlOfAnswer(const std::string& answer) {
  rapidjson::Document document;
  document.Parse(answer.data(), answer.size());
  if (document.HasParseError() || !document.IsObject()) return "";
  const auto url = document.FindMember("url");
  if (url == document.MemberEnd() || !url->value.IsString()) return "";
  return url->value.GetString();
}

}  // namespace update::testing
