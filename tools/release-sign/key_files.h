// Key files of the release signing: the key in hex on one line. The secret one is readable by
// its owner only from the moment it exists.
#pragma once

#include <cstddef>
#include <string>

#include "workflow/release_signature.h"

namespace release_sign {

// Reads a key file: exactly `hexLength` hex digits, then a newline (a missing one is accepted).
// False with the reason in `error`.
bool ReadKeyFile(const std::string& path, std::size_t hexLength, std::string& hex,
                 std::string& error);

// Writes PREFIX.public (0644) and PREFIX.secret (0600). Neither is overwritten: when either
// exists, or a write fails, nothing is left behind. False with the reason in `error`.
bool WriteKeyFiles(const std::string& prefix, const update::ReleaseKeyPair& pair,
                   std::string& error);

}  // namespace release_sign
