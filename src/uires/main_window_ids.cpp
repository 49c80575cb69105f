#include "uires/main_window_ids.h"

namespace update {

const std::array<toolkit::NamedId, 23>& MainWindowNamedIds() {
  static constexpr std::array<toolkit::NamedId, 23> kRows = {{
      {"_name_start", 65535},    {"btn_choose_changedir", 65541},
      {"btn_close", 65538},      {"btn_min", 65539},
      {"btn_ok_install", 65546}, {"btn_retry", 65554},
      {"edit_choose_url", 65540},
      {"img_0", 65537},          {"img_1", 65548},
      {"img_2", 65549},          {"link_agreement", 65545},
      {"mygame_radio_0", 600},   {"mygame_radio_1", 601},
      {"mygame_radio_2", 602},   {"progress", 65552},
      {"radio_auto", 65543},     {"radio_xieyi", 65544},
      {"radio_zmkj", 65542},     {"text_pro", 65551},
      {"text_reason", 65553},
      {"window_0", 65536},       {"window_1", 65547},
      {"window_main", 65550},
  }};
  return kRows;
}

}  // namespace update
