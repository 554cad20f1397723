#include "errors/trap.h"

#include <new>

#include "errors/error_sub.h"

namespace tolvane {

Failure Trap::FromStd(const std::exception& e) {
  if (dynamic_cast<const std::out_of_range*>(&e) != nullptr)
    return Failure(err::kSubscriptOutOfRange, kRuntimeSource, "Subscript out of range");
  if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr)
    return Failure(7, kRuntimeSource, "Out of memory");
  if (dynamic_cast<const std::overflow_error*>(&e) != nullptr)
    return Failure(err::kOverflow, kRuntimeSource, "Overflow");
  return Failure(err::kInvalidProcedureCall, kRuntimeSource, e.what());
}

void Trap::Handle(const Failure& failure, bool fatal) {
  if (ErrorSub(failure.number(), failure.source(), failure.description(), proc_name_, fatal) ==
      kErrorSubEnd)
    EndProgram();
}

}  // namespace tolvane
