// A point where a test of the swap can stop it: called before each move of a swap with the
// move's number, from 1. The library's own does nothing; a test program that must end the
// swap at a chosen move links a definition of its own, which the linker then takes instead.
#pragma once

namespace update {

void BeforeSwapStep(int step);

}  // namespace update
