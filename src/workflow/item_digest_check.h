// The SHA-256 of a package item as extraction yields it, so that what a package records of its
// items can be checked against what they hold. Portable.
#pragma once

#include <optional>
#include <string>

#include "zip/archive.h"
#include "zip/item_digest.h"

namespace update {

// The item's bytes, inflated and CRC-checked, with their count; nothing when the item cannot be
// read whole.
std::optional<zip::ItemDigest> DigestOfItem(ArchiveHandle* archive, int index);

// Lowercase hex of the recorded SHA-256.
std::string Sha256Hex(const zip::ItemDigest& digest);

}  // namespace update
