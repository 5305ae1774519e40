// Sorting a data table by keys. The record pointers are sorted together with a 64-bit image of the
// first key whose unsigned order is the key's order, so most comparisons never touch the records;
// equal images fall back to the full key-by-key comparison. Float keys order NaN after every
// number in both directions; records equal on every key keep their order, so runs repeat exactly.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "vars/db_table.h"
#include "vars/float80.h"
#include "vars/param.h"

namespace kuzo {

namespace {

int32_t LoadI32(const uint8_t* p) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
  return static_cast<int32_t>(v);
}

// Bytes of a string field up to its terminator (or its size).
std::string_view FieldText(const uint8_t* p, int32_t size) {
  const void* zero = std::memchr(p, 0, static_cast<size_t>(size));
  size_t n = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : static_cast<size_t>(size);
  return {reinterpret_cast<const char*>(p), n};
}

struct ResolvedKey {
  int32_t offset;
  int32_t size;
  uint8_t kind;
  bool descending;
};

// <0, 0 or >0 for one key; NaN floats are greater than every number whatever the direction.
int CompareKey(const ResolvedKey& k, const uint8_t* a, const uint8_t* b) {
  a += k.offset;
  b += k.offset;
  int c = 0;
  switch (k.kind) {
    case kDBInt: {
      int32_t x = LoadI32(a), y = LoadI32(b);
      c = (x > y) - (x < y);
      break;
    }
    case kDBFloat: {
      long double x = DecodeFloat80(a), y = DecodeFloat80(b);
      bool nx = std::isnan(x), ny = std::isnan(y);
      if (nx || ny) return static_cast<int>(nx) - static_cast<int>(ny);
      c = (x > y) - (x < y);
      break;
    }
    case kDBBool: {
      int x = a[0] != 0, y = b[0] != 0;
      c = x - y;
      break;
    }
    default: {
      int r = FieldText(a, k.size).compare(FieldText(b, k.size));
      c = (r > 0) - (r < 0);
      break;
    }
  }
  return k.descending ? -c : c;
}

// The first key as an unsigned number in sort order: a < b in key order implies image(a) <=
// image(b), and for integer and boolean keys equal images mean equal keys.
uint64_t KeyImage(const ResolvedKey& k, const uint8_t* block) {
  const uint8_t* p = block + k.offset;
  uint64_t image = 0;
  switch (k.kind) {
    case kDBInt: image = static_cast<uint32_t>(LoadI32(p)) ^ 0x80000000u; break;
    case kDBBool: image = p[0] != 0 ? 1 : 0; break;
    case kDBFloat: {
      long double x = DecodeFloat80(p);
      if (std::isnan(x)) return UINT64_MAX;  // last in both directions
      double d = static_cast<double>(x);  // monotonic rounding keeps the order (ties fall through)
      if (d == 0) d = 0;                  // -0 and +0 are one value
      uint64_t bits = std::bit_cast<uint64_t>(d);
      image = (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
      break;
    }
    default: {
      std::string_view text = FieldText(p, k.size);
      for (size_t i = 0; i < 8; ++i) {
        image = (image << 8) | (i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
      }
      break;
    }
  }
  return k.descending ? ~image : image;
}

}  // namespace

void TDBTable::Sort(const TCustomParam* names, const TCustomParam* descending) {
  std::vector<TDBSortKey> keys;
  if (names && descending) {
    const int32_t n = std::min(names->Count(), descending->Count());
    for (int32_t i = 0; i < n; ++i) {
      int32_t field = fields_.IndexOfField(names->StringAt(i));
      if (field >= 0) keys.push_back({field, descending->BooleanAt(i)});
    }
  }
  SortByKeys(keys);
}

void TDBTable::SortByKeys(const std::vector<TDBSortKey>& keys) {
  if (keys.empty() || records_.size() < 2) return;
  std::vector<ResolvedKey> resolved;
  for (const TDBSortKey& key : keys) {
    if (key.Field < 0 || key.Field >= fields_.Count()) continue;
    const TDBField& f = fields_.At(key.Field);
    resolved.push_back({fields_.Offset(key.Field), f.Size, f.Kind, key.Descending});
  }
  if (resolved.empty()) return;
  const ResolvedKey& first = resolved.front();
  // Ties on every key keep the original order: the record index is the last tie-breaker, so the
  // result is that of a stable sort while the faster unstable algorithm does the work.
  auto restCompare = [&](size_t from, uint32_t a, uint32_t b) {
    for (size_t i = from; i < resolved.size(); ++i) {
      int c = CompareKey(resolved[i], records_[a].get(), records_[b].get());
      if (c != 0) return c;
    }
    return 0;
  };
  std::vector<uint32_t> order(records_.size());
  if (first.kind == kDBInt || first.kind == kDBBool) {
    // Integer and boolean images fit 32 bits: (image << 32) | index orders by key, then index.
    std::vector<uint64_t> packed(records_.size());
    for (size_t i = 0; i < records_.size(); ++i) {
      packed[i] = (static_cast<uint64_t>(static_cast<uint32_t>(KeyImage(first, records_[i].get()))) << 32) | i;
    }
    if (resolved.size() == 1) {
      std::sort(packed.begin(), packed.end());
    } else {
      std::sort(packed.begin(), packed.end(), [&](uint64_t a, uint64_t b) {
        if ((a >> 32) != (b >> 32)) return a < b;
        int c = restCompare(1, static_cast<uint32_t>(a), static_cast<uint32_t>(b));
        return c != 0 ? c < 0 : a < b;
      });
    }
    for (size_t i = 0; i < packed.size(); ++i) order[i] = static_cast<uint32_t>(packed[i]);
  } else {
    struct Entry {
      uint64_t image;
      uint32_t index;
    };
    std::vector<Entry> entries(records_.size());
    for (size_t i = 0; i < records_.size(); ++i) {
      entries[i] = {KeyImage(first, records_[i].get()), static_cast<uint32_t>(i)};
    }
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
      if (a.image != b.image) return a.image < b.image;
      int c = restCompare(0, a.index, b.index);
      return c != 0 ? c < 0 : a.index < b.index;
    });
    for (size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].index;
  }
  std::vector<Block> sorted;
  sorted.reserve(records_.size());
  for (uint32_t index : order) sorted.push_back(std::move(records_[index]));
  records_ = std::move(sorted);
}

}  // namespace kuzo
