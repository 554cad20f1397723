#include "jet/index_tree.h"

#include <algorithm>
#include <memory>

#include "jet/error.h"

namespace tolvane::jet {
namespace {

constexpr size_t kMaxDepth = 32;

[[noreturn]] void Broken(uint32_t page, const std::string& what) {
  throw Error(errc::kCannotOpenDatabase,
              "Cannot open database ''.  It may not be a database that your application "
              "recognizes, or the file may be corrupt.",
              "DAO.Database", "index page " + std::to_string(page) + ": " + what);
}

size_t EntrySize(const IndexEntry& e, bool leaf) { return e.key.size() + (leaf ? 4 : 8); }

IndexEntry WithChild(const IndexEntry& e, uint32_t child) {
  IndexEntry c = e;
  c.child = child;
  return c;
}

}  // namespace

struct IndexTree::WalkState {
  std::vector<IndexEntry> out;
  std::vector<bool> seen;
  std::vector<std::vector<uint32_t>> levels;
  std::vector<IndexPage> leaf_pages;  // prev/next of each leaf, in order
  size_t leaf_depth = SIZE_MAX;
};

IndexPage IndexTree::Load(uint32_t number) const {
  return DecodeIndexPage(store_.ReadPage(number), layout_, number);
}

void IndexTree::Store(uint32_t number, const IndexPage& page) {
  auto buf = std::make_unique<uint8_t[]>(layout_.page_size);
  IndexPage copy = page;
  copy.tdef_page = tdef_page_;
  EncodeIndexPage(copy, layout_, buf.get());
  store_.WritePage(number, buf.get());
}

IndexEntry IndexTree::SubtreeMax(uint32_t number) const {
  for (size_t depth = 0; depth < kMaxDepth; ++depth) {
    IndexPage page = Load(number);
    if (page.leaf) {
      if (page.entries.empty()) Broken(number, "empty leaf below a node");
      return page.entries.back();
    }
    if (page.tail != 0) {
      number = page.tail;
    } else {
      if (page.entries.empty()) Broken(number, "node without children");
      return page.entries.back();
    }
  }
  Broken(number, "index deeper than " + std::to_string(kMaxDepth) + " levels");
}

std::vector<IndexEntry> IndexTree::Children(uint32_t number, const IndexPage& page,
                                            bool tail_replaced) const {
  std::vector<IndexEntry> children = page.entries;
  if (page.tail != 0) {
    // A tail about to be replaced is not read: it may have been freed already.
    children.push_back(tail_replaced ? WithChild(IndexEntry{}, page.tail)
                                     : WithChild(SubtreeMax(page.tail), page.tail));
  }
  if (children.empty()) Broken(number, "node without children");
  return children;
}

void IndexTree::SetChildren(IndexPage& page, std::vector<IndexEntry> children) const {
  page.leaf = false;
  page.tail = 0;
  if (children.size() > 1) {
    page.tail = children.back().child;
    children.pop_back();
  }
  page.entries = std::move(children);
}

void IndexTree::Relink(uint32_t number, bool set_prev, uint32_t value) {
  IndexPage page = Load(number);
  (set_prev ? page.prev : page.next) = value;
  Store(number, page);
}

std::vector<IndexTree::Step> IndexTree::Descend(const IndexEntry& target) const {
  std::vector<Step> path;
  uint32_t number = root_;
  bool has_bound = false;
  IndexEntry bound;
  for (;;) {
    if (path.size() >= kMaxDepth) Broken(number, "index too deep or looping");
    Step step{number, Load(number), 0, has_bound, bound};
    if (step.page.leaf) {
      path.push_back(std::move(step));
      return path;
    }
    const auto& entries = step.page.entries;
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const IndexEntry& e) { return !(e < target); });
    if (it != entries.end()) {
      step.slot = static_cast<size_t>(it - entries.begin());
      number = it->child;
      has_bound = true;
      bound = *it;
    } else if (step.page.tail != 0) {
      step.slot = entries.size();
      number = step.page.tail;
    } else {
      if (entries.empty()) Broken(number, "node without children");
      step.slot = entries.size() - 1;
      number = entries.back().child;
      has_bound = true;
      bound = entries.back();
    }
    path.push_back(std::move(step));
  }
}

bool IndexTree::ContainsKey(const std::string& key) const {
  IndexEntry probe;
  probe.key = key;  // sorts before every entry with this key
  std::vector<Step> path = Descend(probe);
  const IndexPage& leaf = path.back().page;
  for (const IndexEntry& e : leaf.entries) {
    if (e.key == key) return true;
    if (key < e.key) return false;
  }
  // Every entry here is smaller; the next leaf may start with the key.
  if (leaf.next == 0) return false;
  IndexPage next = Load(leaf.next);
  return !next.entries.empty() && next.entries.front().key == key;
}

void IndexTree::Insert(const IndexEntry& entry) {
  if (EntrySize(entry, false) > layout_.capacity() / 4) {
    throw Error(3251, "Operation is not supported for this type of object.", "DAO.Database",
                "index key of " + std::to_string(entry.key.size()) + " bytes is too long");
  }
  std::vector<Step> path = Descend(entry);
  auto& entries = path.back().page.entries;
  auto it = std::lower_bound(entries.begin(), entries.end(), entry);
  if (it != entries.end() && it->SameRow(entry)) return;  // already there
  IndexEntry e = entry;
  e.child = 0;
  entries.insert(it, std::move(e));
  Propagate(path);
}

void IndexTree::Remove(const IndexEntry& entry) {
  std::vector<Step> path = Descend(entry);
  auto& entries = path.back().page.entries;
  auto it = std::lower_bound(entries.begin(), entries.end(), entry);
  if (it == entries.end() || !it->SameRow(entry)) {
    Broken(path.back().number, "the entry to remove is not in the index");
  }
  entries.erase(it);
  Propagate(path);
}

// Splits an overfull page's items into runs that each fit a page: halves by size when
// they fit, else as many pages as needed.
static std::vector<std::vector<IndexEntry>> Partition(const std::vector<IndexEntry>& items,
                                                      bool leaf, size_t capacity) {
  size_t total = 0;
  for (const auto& e : items) total += EntrySize(e, leaf);
  std::vector<std::vector<IndexEntry>> groups;
  size_t acc = 0, cut = 1;
  for (size_t i = 0; i < items.size(); ++i) {
    acc += EntrySize(items[i], leaf);
    if (acc * 2 >= total) {
      cut = std::clamp<size_t>(i + 1, 1, items.size() - 1);
      break;
    }
  }
  size_t left = 0;
  for (size_t i = 0; i < cut; ++i) left += EntrySize(items[i], leaf);
  if (left <= capacity && total - left <= capacity) {
    groups.emplace_back(items.begin(), items.begin() + cut);
    groups.emplace_back(items.begin() + cut, items.end());
    return groups;
  }
  groups.emplace_back();
  acc = 0;
  for (const auto& e : items) {
    size_t n = EntrySize(e, leaf);
    if (acc + n > capacity && !groups.back().empty()) {
      groups.emplace_back();
      acc = 0;
    }
    groups.back().push_back(e);
    acc += n;
  }
  return groups;
}

void IndexTree::Propagate(std::vector<Step>& path) {
  // What the level below hands up: the pages that now stand where its page stood, each
  // as (its last entry, page number).
  std::vector<IndexEntry> handed_up;
  for (size_t k = path.size(); k-- > 0;) {
    Step& s = path[k];
    IndexPage& page = s.page;
    const bool is_root = k == 0;
    std::vector<IndexEntry> items;  // entries of a leaf, children of a node
    if (page.leaf) {
      items = page.entries;
    } else {
      items = Children(s.number, page, s.slot == page.entries.size());
      items.erase(items.begin() + static_cast<long>(s.slot));
      items.insert(items.begin() + static_cast<long>(s.slot), handed_up.begin(),
                   handed_up.end());
    }

    if (items.empty()) {
      if (is_root) {
        IndexPage empty;
        Store(s.number, empty);
        return;
      }
      if (page.prev != 0) Relink(page.prev, false, page.next);
      if (page.next != 0) Relink(page.next, true, page.prev);
      store_.FreePage(s.number);
      handed_up.clear();
      continue;
    }

    IndexPage whole = page;
    if (page.leaf) whole.entries = items; else SetChildren(whole, items);
    if (FitsIndexPage(whole, layout_)) {
      Store(s.number, whole);
      IndexEntry last = WithChild(items.back(), s.number);
      if (is_root) return;
      // Done when nothing above records this page's last entry, or it has not changed.
      if (!s.has_bound || s.bound.SameRow(last)) return;
      handed_up = {last};
      continue;
    }

    auto groups = Partition(items, page.leaf, layout_.capacity() - 8);
    std::vector<uint32_t> numbers(groups.size());
    for (size_t g = 0; g < groups.size(); ++g) {
      numbers[g] = (g == 0 && !is_root) ? s.number : store_.AllocatePage();
    }
    uint32_t before = is_root ? 0 : page.prev;
    uint32_t after = is_root ? 0 : page.next;
    handed_up.clear();
    for (size_t g = 0; g < groups.size(); ++g) {
      IndexPage part;
      part.leaf = page.leaf;
      part.prev = g == 0 ? before : numbers[g - 1];
      part.next = g + 1 < groups.size() ? numbers[g + 1] : after;
      if (page.leaf) part.entries = groups[g]; else SetChildren(part, groups[g]);
      Store(numbers[g], part);
      handed_up.push_back(WithChild(groups[g].back(), numbers[g]));
    }
    if (after != 0) Relink(after, true, numbers.back());
    if (is_root) {
      IndexPage root;
      SetChildren(root, handed_up);
      if (!FitsIndexPage(root, layout_)) Broken(s.number, "root cannot hold its children");
      Store(s.number, root);
      return;
    }
  }
}

void IndexTree::Walk(uint32_t number, size_t depth, WalkState& st) const {
  if (depth >= kMaxDepth) Broken(number, "index too deep");
  if (number == 0 || number >= st.seen.size()) {
    if (number >= st.seen.size()) st.seen.resize(number + 1);
    if (number == 0) Broken(number, "child pointer to page 0");
  }
  if (st.seen[number]) Broken(number, "page reached twice");
  st.seen[number] = true;
  IndexPage page = Load(number);
  if (page.tdef_page != tdef_page_) {
    Broken(number, "belongs to table definition " + std::to_string(page.tdef_page) +
                       ", not " + std::to_string(tdef_page_));
  }
  if (page.free_space != layout_.capacity() - page.used_bytes) {
    Broken(number, "free space " + std::to_string(page.free_space) + " but " +
                       std::to_string(page.used_bytes) + " bytes used");
  }
  for (size_t i = 1; i < page.entries.size(); ++i) {
    if (!(page.entries[i - 1] < page.entries[i])) Broken(number, "entries out of order");
  }
  if (st.levels.size() <= depth) st.levels.resize(depth + 1);
  st.levels[depth].push_back(number);
  if (page.leaf) {
    if (st.leaf_depth == SIZE_MAX) st.leaf_depth = depth;
    if (st.leaf_depth != depth) Broken(number, "leaves at different depths");
    if (page.entries.empty() && depth > 0) Broken(number, "empty leaf below a node");
    for (auto& e : page.entries) st.out.push_back(e);
    st.leaf_pages.push_back(std::move(page));
    return;
  }
  if (page.entries.empty() && page.tail == 0) Broken(number, "node without children");
  for (const IndexEntry& e : page.entries) {
    Walk(e.child, depth + 1, st);
    const IndexEntry& last = st.out.back();
    if (!last.SameRow(e)) Broken(number, "node entry is not the last entry of its child");
  }
  if (page.tail != 0) Walk(page.tail, depth + 1, st);
}

std::vector<IndexEntry> IndexTree::ReadAll() const {
  WalkState st;
  Walk(root_, 0, st);
  for (size_t i = 1; i < st.out.size(); ++i) {
    if (!(st.out[i - 1] < st.out[i])) Broken(root_, "entries out of order across pages");
  }
  if (st.leaf_depth > 0) {
    const auto& leaves = st.levels[st.leaf_depth];
    for (size_t i = 0; i < leaves.size(); ++i) {
      uint32_t want_prev = i == 0 ? 0 : leaves[i - 1];
      uint32_t want_next = i + 1 < leaves.size() ? leaves[i + 1] : 0;
      if (st.leaf_pages[i].prev != want_prev || st.leaf_pages[i].next != want_next) {
        Broken(leaves[i], "prev/next links do not follow the leaf order");
      }
    }
  }
  return std::move(st.out);
}

}  // namespace tolvane::jet
