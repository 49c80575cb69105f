// The Windows version text ("6.1.7601"), read through WMI. Windows only.
#pragma once

#include <functional>
#include <string>

namespace update {

// Queries Win32_OperatingSystem for its "Version". Returns 0 and sets `version` on success;
// returns 1 and leaves `version` as it was on any failure. Each step's failure, and the
// connection to the namespace, is reported as one line on standard output. Initialises COM
// for the calling thread and uninitialises it before returning.
int QueryOsVersion(std::wstring& version);

using OsVersionQuery = std::function<int(std::wstring&)>;
// The version for the event report, within `limitMs`: the answer of `query` (QueryOsVersion)
// when it comes in time, else the kernel's own numbers (RtlGetVersion), in the same form. A WMI
// that hangs must not keep an elevated program without a window alive: a query still under way
// at the limit is left on its own thread, which the end of the process takes.
std::wstring OsVersionWithin(OsVersionQuery query = QueryOsVersion, unsigned limitMs = 5000);

}  // namespace update
