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

std::string BuildEventReportBody(const EventReport& report, const std::wstring& os) {
  rapidjson::StringBuffer buffer;
  JsonWriter writer(buffer);
  writer.StartObject();
  writer.Key("act");
  writer.Int(report.act);
  writer.Key("type");
  writer.Int(report.type);
  writer.Key("version");
  WriteString(writer, report.version.c_str());
  const std::wstring_view reasonText = report.reason.c_str();
  if (!reasonText.empty()) {
    writer.Key("resion");
    WriteString(writer, WideToUtf8(reasonText));
  }
  writer.Key("os");
  WriteString(writer, WideToUtf8(std::wstring_view(os.c_str())));
  if (report.failure) {
    writer.Key("code");
    writer.Int(report.failure->code);
    writer.Key("detail");
    writer.Int64(report.failure->detail);
    writer.Key("step");
    WriteString(writer, report.failure->step);
    writer.Key("bytes");
    writer.Uint64(report.failure->bytes);
    writer.Key("ms");
    writer.Uint64(report.failure->ms);
  }
  writer.EndObject();
  return std::string(buffer.GetString(), buffer.GetSize());
}

std::string BuildEventReportBody(int act, int type, const std::wstring& os,
                                 const std::wstring& reason, const std::string& version) {
  EventReport report;
  report.act = act;
  report.type = type;
  report.version = version;
  report.reason = reason;
  return BuildEventReportBody(report, os);
}

int SendEventReport(int act, int type, const std::wstring& os, const std::wstring& reason,
                    const std::string& version) {
  return internal::SendEventReportTo(LogUrl(), act, type, os, reason, version);
}

int SendEventReport(const EventReport& report, const std::wstring& os) {
  std::string answer;
  return HttpPostJson(1, answer, LogUrl(), BuildEventReportBody(report, os));
}

namespace internal {

int SendEventReportTo(const std::string& url, int act, int type, const std::wstring& os,
                      const std::wstring& reason, const std::string& version) {
  std::string answer;
  return HttpPostJson(1, answer, url, BuildEventReportBody(act, type, os, reason, version));
}

}  // namespace internal
}  // namespace update
