// The UI definition ("uidef:xml_init"): the default font, the string, colour and skin tables it
// points at, and the named style classes widgets can take their attributes from. Loaded once at
// start and shared by every widget tree of the application.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "toolkit/core/colour_value.h"
#include "toolkit/core/font_description.h"
#include "toolkit/core/image_source.h"
#include "toolkit/core/resource_provider.h"
#include "toolkit/core/skin.h"
#include "toolkit/core/string_value.h"

namespace toolkit {

// Attributes as written, in document order.
using AttributeList = std::vector<std::pair<std::string, std::string>>;

struct UiDefinition {
  DefaultFont defaultFont;
  StringTable strings;
  ColourTable colours;
  SkinTable skins;
  std::map<std::string, AttributeList, std::less<>> styles;  // by class name

  const AttributeList* FindStyle(std::string_view name) const;
};

// Why a UI definition did not load.
enum class UiDefinitionError {
  kNone,
  kMissingResource,  // the definition itself or a table it names is not in the provider
  kBadXml,           // not well-formed, or the root element is not UIDEF
};

struct UiDefinitionResult {
  UiDefinitionError error = UiDefinitionError::kNone;
  std::string detail;  // the resource concerned and the parser's message
};

// Loads the UI definition `name` from `provider` into `definition`. Skins learn their image
// sizes from `images`; a skin whose image is absent is kept (it is never drawn) and does not
// stop loading. On failure `definition` is left as it was.
UiDefinitionResult LoadUiDefinition(const ResourceProvider& provider, std::string_view name,
                                    const IImageSource& images, UiDefinition* definition);

}  // namespace toolkit
