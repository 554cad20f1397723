// The number of the engine failure a call raises, 0 when it raises none.
#pragma once

#include <functional>

#include "jet/error.h"

namespace tolvane::jet::testing {

inline int ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

}  // namespace tolvane::jet::testing
