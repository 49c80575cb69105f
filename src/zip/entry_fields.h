// How a central header's fields become an ArchiveEntry's attributes and times.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zip/archive.h"

namespace update::zip {

// Windows attribute bits from the external attributes, read the way the host system that made
// the archive (high byte of version-made-by) stores them.
uint32_t MapAttributes(uint16_t versionMadeBy, uint32_t externalAttributes);

ArchiveFileTime UnixTimeToFileTime(int32_t seconds);

// Applies the first extended-timestamp ("UT") block of a local extra field, if any.
void ApplyExtendedTimestamps(const uint8_t* extra, size_t size, ArchiveEntry& entry);

}  // namespace update::zip
