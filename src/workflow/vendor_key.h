// The vendor's public key this program was built with: 64 hex characters, or empty when the
// build accepts unsigned answers. Each program links the one key object it was built for.
#pragma once

#include <string_view>

namespace update {

std::string_view VendorPublicKey();

}  // namespace update
