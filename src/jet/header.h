// Page 0, the database header. Most of it is RC4-encoded with a fixed key; decoded it
// gives the code page of Jet 3 text, the sort order, the database key and the password.
// Files this engine cannot read faithfully are refused here: a password (3031) or an
// encoded database (every page RC4-encoded, 3343).
#pragma once

#include <cstdint>
#include <vector>

#include "jet/pager.h"

namespace tolvane::jet {

struct Header {
  int jet_version = 4;
  uint16_t code_page = 1252;
  uint32_t sort_order = 1033;
  uint32_t database_key = 0;
  bool has_password = false;
  double creation_date = 0;

  // Reads and checks page 0.
  static Header Read(const Pager& pager);
};

// RC4 with `key`, applied in place (encoding and decoding are the same).
void Rc4(const uint8_t* key, size_t key_size, uint8_t* data, size_t size);

}  // namespace tolvane::jet
