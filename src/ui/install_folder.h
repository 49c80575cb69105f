// The install folder made from a folder the user chose: "ZorvikClient" and a backslash are
// appended, also to a drive root that ends with a backslash already ("D:\" gives
// "D:\\ZorvikClient\").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace update {

constexpr std::wstring_view kClientFolderName = L"ZorvikClient";

// Null when the result would not fit in a path of 260 characters with its terminating NUL: a
// silently cut folder would install somewhere else.
std::optional<std::wstring> InstallFolderIn(std::wstring_view chosen);

}  // namespace update
