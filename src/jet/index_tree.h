// An index as a B-tree of index pages below a root page that never moves (the table
// definition points at it). Reading walks it from the root, checking every structural
// rule Access relies on; writing inserts and removes entries, splitting full pages
// (moving the root's contents down into new children when the root itself is full) and
// dropping pages that empty. A node's entry for a child is a copy of the last entry under
// that child, so lookups that descend the nodes find every entry.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "jet/index_page.h"

namespace tolvane::jet {

// Where an index tree gets and puts its pages.
class IndexPageStore {
 public:
  virtual ~IndexPageStore() = default;
  virtual const uint8_t* ReadPage(uint32_t number) = 0;
  virtual void WritePage(uint32_t number, const uint8_t* data) = 0;
  // A new page for this index (added to the index's owned pages).
  virtual uint32_t AllocatePage() = 0;
  // A page the index no longer uses.
  virtual void FreePage(uint32_t number) = 0;
};

class IndexTree {
 public:
  IndexTree(IndexPageStore& store, const IndexPageLayout& layout, uint32_t root,
            uint32_t tdef_page)
      : store_(store), layout_(layout), root_(root), tdef_page_(tdef_page) {}

  // Every leaf entry in order. Throws 3049 naming the page when the tree breaks a rule:
  // entries out of order, a node entry that is not its child's last entry, broken
  // prev/next links, a wrong free-space count or table pointer, a page reached twice.
  std::vector<IndexEntry> ReadAll() const;

  // Whether an entry with this key exists (for unique indexes).
  bool ContainsKey(const std::string& key) const;

  void Insert(const IndexEntry& entry);
  // Fails with 3049 when the entry is not there.
  void Remove(const IndexEntry& entry);

 private:
  struct Step {
    uint32_t number;
    IndexPage page;
    size_t slot;  // child taken: entry index, or entries.size() for the tail
    // The last entry under this page as its parent records it; none on the rightmost
    // path from the root, where no entry records it.
    bool has_bound = false;
    IndexEntry bound;
  };
  IndexPage Load(uint32_t number) const;
  void Store(uint32_t number, const IndexPage& page);
  std::vector<Step> Descend(const IndexEntry& target) const;
  IndexEntry SubtreeMax(uint32_t number) const;
  struct WalkState;
  void Walk(uint32_t number, size_t depth, WalkState& state) const;
  // Writes the pages of `path` back from the leaf up after the leaf's entries changed.
  void Propagate(std::vector<Step>& path);
  // Children of a node page as (separator, child) pairs, the tail included.
  std::vector<IndexEntry> Children(uint32_t number, const IndexPage& page,
                                   bool tail_replaced) const;
  void SetChildren(IndexPage& page, std::vector<IndexEntry> children) const;
  void Relink(uint32_t number, bool set_prev, uint32_t value);
  std::vector<uint32_t> SplitPage(uint32_t number, IndexPage& page, bool is_root,
                                  std::vector<IndexEntry>& children);

  IndexPageStore& store_;
  IndexPageLayout layout_;
  uint32_t root_;
  uint32_t tdef_page_;
};

}  // namespace tolvane::jet
