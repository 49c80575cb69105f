// The downloaded package, held open from the start of its download to the end of its unpack.
// The install folder may be one that others can write: while the hold lasts nobody else can
// write, replace or delete the file, so what was checked is what is unpacked. The download
// writes through the hold (its SHA-256 is taken of those bytes as they go), the unpack reads
// through it, and the file goes through it too. Windows only.
#pragma once

#include <string>

#include "sys/scoped_handle.h"

namespace update {

// A new, empty file at `path`; whatever lay there before (a file, a link) is removed first, and
// one that comes back in between makes this fail. Invalid on failure.
FileHandle CreateHeldPackage(const std::wstring& path);
// The package already at `path`, for the unpack alone. Invalid on failure.
FileHandle OpenHeldPackage(const std::wstring& path);
// Back to an empty file, its position at the start.
bool EmptyHeldPackage(HANDLE package);
// The file goes when its last handle closes.
bool DeleteHeldPackage(HANDLE package);

}  // namespace update
