// The list of renames Windows carries out at its next start, before any program runs (the
// registry value PendingFileRenameOperations): pairs of strings, the source then the target,
// each ended by a NUL, the whole ended by one more. A path is written "\??\" + its whole DOS
// path; a target of "" deletes the source, a target led by "!" replaces what is there.
#pragma once

#include <string>
#include <string_view>

namespace update {

// `value` with the rename of `from` to `to` (which is kept if it exists then) added at its end.
// A pair the value cuts off (its last NULs missing) is dropped first.
std::wstring WithPendingRename(std::wstring_view value, std::wstring_view from,
                               std::wstring_view to);

// `value` without the renames whose source and target both lie in `folder` (which ends with a
// backslash; letter case aside), every other pair as it was; the same value when it holds none.
// An empty result is an empty list: the value goes.
std::wstring WithoutPendingRenamesInside(std::wstring_view value, std::wstring_view folder);

}  // namespace update
