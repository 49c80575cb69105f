// The Windows version text ("6.1.7601"), read through WMI. Windows only.
#pragma once

#include <string>

namespace update {

// Queries Win32_OperatingSystem for its "Version". Returns 0 and sets `version` on success;
// returns 1 and leaves `version` as it was on any failure. Each step's failure, and the
// connection to the namespace, is reported as one line on standard output. Initialises COM
// for the calling thread and uninitialises it before returning.
int QueryOsVersion(std::wstring& version);

}  // namespace update
