// What setting one attribute from a layout or style resource did. The attribute loader tries
// each handler in turn until one returns something other than kNotHandled.
#pragma once

namespace toolkit {

enum class AttributeResult {
  kHandled,          // the attribute was understood and stored (or, where documented, ignored)
  kNotHandled,       // not an attribute of this handler; the next one may take it
  kInvalidArgument,  // the attribute's value has the wrong shape; nothing was changed
  kFailed,           // the value could not be read; nothing was changed
};

}  // namespace toolkit
