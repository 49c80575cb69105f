// The files release signing reads: packages piece by piece (they run to hundreds of
// megabytes), answers and keys whole. Only regular files are read.
#pragma once

#include <string>

namespace release_sign {

// The SHA-256 of the file, in lowercase hex. False with the reason in `error`.
bool DigestOfFile(const std::string& path, std::string& hex, std::string& error);

// The whole of a small file. False with the reason in `error`.
bool ReadSmallFile(const std::string& path, std::string& text, std::string& error);

}  // namespace release_sign
