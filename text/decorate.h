// Character styles of tagged text: one shared record per distinct combination of attributes, owned
// by the word's style table, which interns them so every glyph holds only a pointer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kuzo {

// Style bits of TDecorate::Style.
constexpr uint8_t kStyleBold = 0x01;
constexpr uint8_t kStyleItalic = 0x02;
constexpr uint8_t kStyleUnderline = 0x04;
constexpr uint8_t kStyleStrikeOut = 0x08;

// One character style. Colours are 0x00BBGGRR; -1 (and size 0, empty font name) mean the word's
// default.
struct TDecorate {
  int32_t RefCount = 0;
  int32_t Color = -1;
  int32_t BorderColor = -1;
  int32_t ShadowColor = -1;
  int32_t Size = 0;
  uint8_t Style = 0;
  std::string FontName;
  bool NoBreak = false;
  std::string Ruby;
  int32_t BorderWidth = -1;
  int32_t ShadowWidth = -1;

  // The ten attributes that make two records the same style (the reference count excluded).
  bool SameAttributes(const TDecorate& o) const {
    return Color == o.Color && BorderColor == o.BorderColor && ShadowColor == o.ShadowColor && Size == o.Size &&
           Style == o.Style && FontName == o.FontName && NoBreak == o.NoBreak && Ruby == o.Ruby &&
           BorderWidth == o.BorderWidth && ShadowWidth == o.ShadowWidth;
  }
};

// The interning table. Records live until their count drops to zero; pointers stay valid while
// the record is referenced (records are individually allocated).
class TDecorateList {
 public:
  // Returns the record with these attributes, its count raised (a new record when none matches).
  TDecorate* Acquire(const TDecorate& attributes);
  // Lowers the count; the record is removed at zero.
  void Release(TDecorate* style);
  // Changes the attributes of one glyph's style: switches to an existing equal record, changes the
  // record in place when the glyph is its only user, else makes a new one. Returns the new record.
  TDecorate* Change(TDecorate* current, const TDecorate& attributes);
  // Adds a record as a stored list gives it (count as stored, no interning), for index lookups.
  TDecorate* AddStored(const TDecorate& record);

  void Clear() {
    records_.clear();
    index_.clear();
  }
  size_t Count() const { return records_.size(); }
  TDecorate* At(size_t i) const { return records_[i].get(); }
  // Position of a record in the table, or -1.
  int IndexOf(const TDecorate* style) const;

 private:
  TDecorate* Find(const TDecorate& attributes) const;
  void Index(TDecorate* record);
  void Unindex(TDecorate* record);

  std::vector<std::unique_ptr<TDecorate>> records_;
  // Records by a hash of their attributes, so interning stays fast with many distinct styles.
  std::unordered_multimap<size_t, TDecorate*> index_;
};

}  // namespace kuzo
