// Where no exception may pass: a callback of a C library, a thread's entry, a window
// enumeration. An exception would unwind through frames that know nothing of it, which ends the
// process (or worse, on the 32-bit build's unwinding).
#pragma once

namespace update {

// `body()`, or `fallback` when it throws.
template <typename Result, typename Body>
Result OrOnException(Result fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

}  // namespace update
