#include "workflow/swap_step_hook.h"

namespace update {

void BeforeSwapStep(int) {}

}  // namespace update
