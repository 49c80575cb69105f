// Conversions between UTF-8 (portable code, JSON, XML) and wide strings (Win32 boundaries).
// wchar_t is UTF-16 on Windows and UTF-32 elsewhere; both are handled. Invalid input never
// fails: each bad byte or lone surrogate becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace update {

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

}  // namespace update
