// The pager's write path: the one place where the engine changes a file.
#include <cstring>

#include "jet/error.h"
#include "jet/pager.h"

namespace tolvane::jet {

void Pager::WritePage(uint32_t number, const uint8_t* data) {
  if (number > page_count_) {
    ThrowCorrupt(path(), "write of page " + std::to_string(number) + " past the end (" +
                             std::to_string(page_count_) + " pages)");
  }
  file_->WriteAt(uint64_t{number} * page_size_, page_size_, data);
  if (number == page_count_) {
    ++page_count_;
    cache_.resize(page_count_);
  }
  // Copy into the cached buffer so that Page views handed out earlier see the new bytes.
  auto& slot = cache_[number];
  if (!slot) slot = std::make_unique<uint8_t[]>(page_size_);
  if (slot.get() != data) std::memcpy(slot.get(), data, page_size_);
}

}  // namespace tolvane::jet
