// Resources read from a folder laid out like src/uires: one subfolder per resource type, one
// file per resource named like the resource plus an extension (img/RADIO选择.png is
// "img:radio选择", layout/XML_MAINWND.xml is "LAYOUT:XML_MAINWND"). Native tests and tools use
// it in place of the resources compiled into the program.
#pragma once

#include <string>
#include <string_view>

#include "toolkit/core/resource_provider.h"

namespace toolkit {

class FolderResourceProvider : public ResourceProvider {
 public:
  // `folder` is a UTF-8 path.
  explicit FolderResourceProvider(std::string folder);

  // Type and name are matched against the subfolder and the file name without its extension,
  // without regard to case. Fails when no entry matches, when two entries match (img/MIN.png
  // and img/min.png on a case-sensitive disk: which one would be meant is unknown) or when the
  // file cannot be read. Only entries of the folder are considered, so a name never reaches
  // outside it ("img:../layout/XML_MAINWND" fails).
  std::optional<ResourceBytes> Load(std::string_view typeAndName) const override;

 private:
  std::string m_folder;
};

}  // namespace toolkit
