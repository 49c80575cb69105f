#include "workflow/vendor_key.h"

namespace update {

std::string_view VendorPublicKey() {
  return UPDATE_VENDOR_PUBLIC_KEY;
}

}  // namespace update
