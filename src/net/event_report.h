// Event reports: one JSON object per install or update, completed or not, sent to the log
// endpoint.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace update {

// The report body, compact, members in this order: "act", "type", "version", "resion" (only
// when `reason` is not empty), "os". All texts are taken up to their first NUL; `version` is
// UTF-8 and the wide texts are converted to UTF-8, so the body is UTF-8 throughout.
std::string BuildEventReportBody(int act, int type, const std::wstring& os,
                                 const std::wstring& reason, const std::string& version);

// Sends the report to the log endpoint (LogUrl()). Returns 0 when the transfer completed and
// -1 otherwise, as HttpPostJson does; the answer is dropped.
int SendEventReport(int act, int type, const std::wstring& os, const std::wstring& reason,
                    const std::string& version);

// The members that a report of a run that did not complete adds after "os", in this order.
struct FailureMembers {
  int code = 0;             // "code": the reason's number
  std::int64_t detail = 0;  // "detail": the system's own code, 0 when none
  std::string step;         // "step": the step's name
  std::uint64_t bytes = 0;  // "bytes": package bytes received
  std::uint64_t ms = 0;     // "ms": from the start of the run
};

struct EventReport {
  int act = 0;  // 1 install, 2 update; 3 an install, 4 an update that did not complete
  std::int32_t type = 0;
  std::string version;
  std::wstring reason;  // "resion"; absent when empty
  std::optional<FailureMembers> failure;
};

// The body as above, the failure's members after "os".
std::string BuildEventReportBody(const EventReport& report, const std::wstring& os);
int SendEventReport(const EventReport& report, const std::wstring& os);

namespace internal {

// SendEventReport to a given endpoint (host and path; a scheme is optional).
int SendEventReportTo(const std::string& url, int act, int type, const std::wstring& os,
                      const std::wstring& reason, const std::string& version);

}  // namespace internal
}  // namespace update
