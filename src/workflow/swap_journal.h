// The journal of a package swap: everything the swap is about to do, kept in the install folder
// until it is over, so that a start after a crash at any point knows where each file is. Every
// move is a rename, so a file is always in exactly one of its places; the journal names those
// places, each relative to the install folder. The text is UTF-8, one record a line, fields
// separated by tabs (which no Windows path holds).
//
// The journal lies in a folder that others may be able to write, and the program that reads it
// runs elevated: a name that could reach outside the install folder (a drive, a root, "..", a
// stream's ":") refuses the whole journal.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace update {

// The swap's own folders inside the install folder.
inline constexpr std::wstring_view kStagingFolderName = L"Update.staging";
inline constexpr std::wstring_view kBackupFolderName = L"Update.backup";

// Every path is relative to the install folder, its levels separated by backslashes.
struct SwapEntry {
  std::wstring target;  // where the package's file goes
  std::wstring staged;  // where it was extracted to
  std::wstring backup;  // where the file it replaces goes; empty when the package adds it
};

struct SwapPlan {
  std::vector<std::wstring> folders;  // created by the swap, outermost first
  std::vector<SwapEntry> entries;     // in the order they are moved
  bool committed = false;             // every file is in place: only clean-up is left
  // The entry of the file named like the running updater at the folder's top, which the client
  // starts to repair an install; -1 for none. Not in the journal.
  int updater = -1;
};

// True for a name that stays inside the folder it is relative to: not empty, no drive, no root,
// no level that is empty or only dots and spaces (".", ".."), none of the characters Windows
// keeps out of names (":" of drives and streams among them) and no "/".
bool IsNameInsideFolder(std::wstring_view name);

std::string FormatJournal(const SwapPlan& plan);

struct JournalReading {
  std::optional<SwapPlan> plan;  // null when refused
  std::string refusal;           // why, for standard error
};
// Refuses text that is not a whole journal or that names a path outside the install folder
// `installDir` (which ends with a backslash). A journal of the earlier format, "update-swap-
// journal 1", whose paths are whole ones, is read when each of them lies inside that folder (the
// staging and backup folders the swap's own): an update the last release left half done is
// replayed by this one.
JournalReading ParseJournal(std::string_view text, std::wstring_view installDir);

}  // namespace update
