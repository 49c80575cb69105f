// Event reports: one JSON object per completed install or update, sent to the log endpoint.
#pragma once

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

namespace internal {

// SendEventReport to a given endpoint (host and path; a scheme is optional).
int SendEventReportTo(const std::string& url, int act, int type, const std::wstring& os,
                      const std::wstring& reason, const std::string& version);

}  // namespace internal
}  // namespace update
