// The installed client and its driver around the file replacement. Windows only.
#pragma once

#include <string>

namespace update {

// Ends every running "ZorvikClient.exe" and stops and deletes the driver service "izorvik_drv";
// returns when both are done (each within its own bounded wait).
void StopClientAndDriver();

// Starts "<install folder>ZorvikClient.exe" with the argument 0 and the updater's own current
// folder. The path is quoted: unquoted, "C:\Program Files\..." would start C:\Program.exe when
// such a file exists. False when the process cannot be created.
bool StartClient(const std::wstring& installDir);

}  // namespace update
