#include "errors/failure.h"

namespace tolvane {

void RaiseOverflow() { throw Failure(err::kOverflow, kRuntimeSource, "Overflow"); }

void RaiseSubscriptOutOfRange() {
  throw Failure(err::kSubscriptOutOfRange, kRuntimeSource, "Subscript out of range");
}

int16_t ToInt16(long long value) {
  if (value < -32768 || value > 32767) RaiseOverflow();
  return static_cast<int16_t>(value);
}

}  // namespace tolvane
