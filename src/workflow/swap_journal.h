// The journal of a package swap: everything the swap is about to do, kept in the install folder
// until it is over, so that a start after a crash at any point knows where each file is. Every
// move is a rename, so a file is always in exactly one of its places; the journal names those
// places. The text is UTF-8, one record a line, fields separated by tabs (which no Windows path
// holds).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace update {

struct SwapEntry {
  std::wstring target;  // where the package's file goes
  std::wstring staged;  // where it was extracted to
  std::wstring backup;  // where the file it replaces goes; empty when the package adds it
};

struct SwapPlan {
  std::wstring staging;               // the folder of the extracted package
  std::wstring backup;                // the folder of the replaced files
  std::vector<std::wstring> folders;  // created by the swap, outermost first
  std::vector<SwapEntry> entries;     // in the order they are moved
  bool committed = false;             // every file is in place: only clean-up is left
};

std::string FormatJournal(const SwapPlan& plan);
// Null for text that is not a whole journal of this format.
std::optional<SwapPlan> ParseJournal(std::string_view text);

}  // namespace update
