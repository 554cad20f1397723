// The B-tree on an in-memory page store: inserts that split leaves, nodes and the root
// several times over, removals that empty pages, and the structural check after each.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "jet/error.h"
#include "jet/index_tree.h"

namespace tolvane::jet {
namespace {

class MemoryStore : public IndexPageStore {
 public:
  explicit MemoryStore(const IndexPageLayout& layout) : layout_(layout) {
    std::vector<uint8_t> root(layout.page_size);
    EncodeIndexPage(IndexPage{}, layout, root.data());
    root[4] = 9;  // table definition page
    pages_[1] = root;
  }
  const uint8_t* ReadPage(uint32_t n) override { return pages_.at(n).data(); }
  void WritePage(uint32_t n, const uint8_t* d) override { pages_[n].assign(d, d + layout_.page_size); }
  uint32_t AllocatePage() override {
    pages_[next_] = std::vector<uint8_t>(layout_.page_size);
    return next_++;
  }
  void FreePage(uint32_t n) override { pages_.erase(n); ++freed_; }
  size_t pages() const { return pages_.size(); }
  int freed() const { return freed_; }

 private:
  IndexPageLayout layout_;
  std::map<uint32_t, std::vector<uint8_t>> pages_;
  uint32_t next_ = 2;
  int freed_ = 0;
};

IndexEntry Entry(uint32_t n, size_t key_bytes) {
  IndexEntry e;
  e.key = "\x7F" + std::to_string(n * 7919 % 100003) + std::string(key_bytes, 'k');
  e.page = 100 + n / 200;
  e.row = static_cast<uint8_t>(n % 200);
  return e;
}

class IndexTreeTest : public ::testing::TestWithParam<int> {};

TEST_P(IndexTreeTest, SplitsAndShrinksKeepingEveryRule) {
  const IndexPageLayout layout = IndexPageLayout::For(GetParam());
  MemoryStore store(layout);
  IndexTree tree(store, layout, 1, 9);
  std::set<IndexEntry> want;
  std::mt19937 rng(GetParam());
  std::vector<uint32_t> order(3000);
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  for (size_t i = 0; i < order.size(); ++i) {
    IndexEntry e = Entry(order[i], 120);
    tree.Insert(e);
    want.insert(e);
    if (i % 500 == 499) {
      ASSERT_EQ(tree.ReadAll(), std::vector<IndexEntry>(want.begin(), want.end()));
    }
  }
  // Deep enough that nodes split too, not only leaves.
  IndexPage root = DecodeIndexPage(store.ReadPage(1), layout, 1);
  ASSERT_FALSE(root.leaf);
  IndexPage child = DecodeIndexPage(store.ReadPage(root.entries.front().child), layout, 0);
  EXPECT_FALSE(child.leaf);
  EXPECT_TRUE(tree.ContainsKey(Entry(order[5], 120).key));
  EXPECT_FALSE(tree.ContainsKey(Entry(5000, 120).key));

  std::shuffle(order.begin(), order.end(), rng);
  for (size_t i = 0; i < order.size(); ++i) {
    IndexEntry e = Entry(order[i], 120);
    tree.Remove(e);
    want.erase(e);
    if (i % 500 == 499 || i + 1 == order.size()) {
      ASSERT_EQ(tree.ReadAll(), std::vector<IndexEntry>(want.begin(), want.end()));
    }
  }
  EXPECT_EQ(store.pages(), 1u);  // every page but the root given back
  EXPECT_GT(store.freed(), 0);
  EXPECT_THROW(tree.Remove(Entry(1, 120)), Error);
}

INSTANTIATE_TEST_SUITE_P(Jet3AndJet4, IndexTreeTest, ::testing::Values(3, 4));

TEST(IndexPage, DecodesPrefixCompressionAndRejectsBadBitmaps) {
  const IndexPageLayout layout = IndexPageLayout::For(4);
  IndexPage page;
  for (uint32_t i = 0; i < 50; ++i) page.entries.push_back(Entry(i, 40));
  std::sort(page.entries.begin(), page.entries.end());
  std::vector<uint8_t> bytes(layout.page_size);
  EncodeIndexPage(page, layout, bytes.data());
  EXPECT_GT(bytes[layout.prefix], 0) << "shared prefix not used";
  IndexPage back = DecodeIndexPage(bytes.data(), layout, 7);
  EXPECT_EQ(back.entries, page.entries);
  EXPECT_EQ(back.free_space, layout.capacity() - back.used_bytes);

  // A prefix longer than the first entry cannot be expanded.
  bytes[layout.prefix] = 0xFF;
  bytes[layout.prefix + 1] = 0x0F;
  EXPECT_THROW(DecodeIndexPage(bytes.data(), layout, 7), Error);
}

}  // namespace
}  // namespace tolvane::jet
