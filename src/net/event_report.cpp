#include "net/event_report.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <string_view>

#include "common/text_convert.h"
#include "net/endpoints.h"
#include "net/http_post.h"

namespace update {
namespace {

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

void WriteString(JsonWriter& writer, std::string_view text) {
  writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

}  // namespace

std::string BuildEventReportBody(int act, int type, const std::wstring& os,
                                 const std::wstring& reason, const std::string& version) {
  rapidjson::StringBuffer buffer;
  JsonWriter writer(buffer);
  writer.StartObject();
  writer.Key("act");
  writer.Int(act);
  writer.Key("type");
  writer.Int(type);
  writer.Key("version");
  WriteString(writer, version.c_str());
  const std::wstring_view reasonText = reason.c_str();
  if (!reasonText.empty()) {
    writer.Key("resion");
    WriteString(writer, WideToUtf8(reasonText));
  }
  writer.Key("os");
  WriteString(writer, WideToUtf8(std::wstring_view(os.c_str())));
  writer.EndObject();
  return std::string(buffer.GetString(), buffer.GetSize());
}

int SendEventReport(int act, int type, const std::wstring& os, const std::wstring& reason,
                    const std::string& version) {
  return internal::SendEventReportTo(LogUrl(), act, type, os, reason, version);
}

namespace internal {

int SendEventReportTo(const std::string& url, int act, int type, const std::wstring& os,
                      const std::wstring& reason, const std::string& version) {
  std::string answer;
  return HttpPostJson(1, answer, url, BuildEventReportBody(act, type, os, reason, version));
}

}  // namespace internal
}  // namespace update
