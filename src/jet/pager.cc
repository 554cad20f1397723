#include "jet/pager.h"

#include <cstdio>

#include "jet/error.h"

namespace tolvane::jet {

void Page::ExpectType(PageType type, const char* what) const {
  if (data_[0] != static_cast<uint8_t>(type)) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "page %u should be %s but has type 0x%02X", number_, what,
                  data_[0]);
    Corrupt(buf);
  }
}

void Page::Corrupt(const std::string& detail) const { ThrowCorrupt(pager_->path(), detail); }

void Page::OutOfPage(size_t offset, size_t count) const {
  Corrupt("read of " + std::to_string(count) + " bytes at offset " + std::to_string(offset) +
          " outside page " + std::to_string(number_));
}

Pager::Pager(std::unique_ptr<File> file) : file_(std::move(file)) {
  constexpr size_t kProbe = 0x20;
  if (file_->size() < kProbe) ThrowUnrecognizedFormat(path(), "shorter than a header");
  uint8_t head[kProbe];
  file_->ReadAt(0, kProbe, head);
  static constexpr char kJetMagic[] = "Standard Jet DB";
  static constexpr char kAceMagic[] = "Standard ACE DB";
  const bool jet = std::memcmp(head + 4, kJetMagic, sizeof kJetMagic) == 0;
  const bool ace = std::memcmp(head + 4, kAceMagic, sizeof kAceMagic) == 0;
  if (head[0] != 0 || (!jet && !ace)) ThrowUnrecognizedFormat(path(), "no Jet signature");
  const uint8_t version = head[0x14];
  if (ace || version >= 2) {
    ThrowUnrecognizedFormat(path(), "an Access 2007 or later (.accdb) file, version byte " +
                                        std::to_string(version));
  }
  jet_version_ = version == 0 ? 3 : 4;
  page_size_ = version == 0 ? 2048 : 4096;
  if (file_->size() < page_size_) ThrowCorrupt(path(), "shorter than one page");
  page_count_ = static_cast<uint32_t>(file_->size() / page_size_);
  cache_.resize(page_count_);
}

Page Pager::page(uint32_t number) const {
  if (number >= page_count_) {
    ThrowCorrupt(path(), "page " + std::to_string(number) + " is beyond the end of the file (" +
                             std::to_string(page_count_) + " pages)");
  }
  auto& slot = cache_[number];
  if (!slot) {
    // Scans read pages in order: fetch a run of uncached pages in one read.
    constexpr uint32_t kReadAhead = 32;
    uint32_t run = 1;
    while (run < kReadAhead && number + run < page_count_ && !cache_[number + run]) ++run;
    if (run == 1) {
      auto buf = std::make_unique<uint8_t[]>(page_size_);
      file_->ReadAt(uint64_t{number} * page_size_, page_size_, buf.get());
      slot = std::move(buf);
    } else {
      std::vector<uint8_t> chunk(size_t{run} * page_size_);
      file_->ReadAt(uint64_t{number} * page_size_, chunk.size(), chunk.data());
      for (uint32_t i = 0; i < run; ++i) {
        auto buf = std::make_unique<uint8_t[]>(page_size_);
        std::memcpy(buf.get(), chunk.data() + size_t{i} * page_size_, page_size_);
        cache_[number + i] = std::move(buf);
      }
    }
  }
  return Page(this, number, slot.get(), page_size_);
}

void Pager::Forget(uint32_t number) {
  if (number < cache_.size()) cache_[number].reset();
}

}  // namespace tolvane::jet
