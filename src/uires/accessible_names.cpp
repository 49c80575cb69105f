#include "uires/accessible_names.h"

namespace update {

const toolkit::AccessibleNameTable& MainWindowAccessibleNames() {
  static const toolkit::AccessibleNameTable names = {
      {"btn_close", "关闭"},
      {"btn_min", "最小化"},
      {"skin_sslogo", "Zorvik网络加速器"},
  };
  return names;
}

}  // namespace update
