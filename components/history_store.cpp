// Text history: recording and committing left pages in the simple and the laid-out form, trimming
// to the maximum, and the saved record with its older layouts.
#include "components/history_store.h"

#include "core/byte_reader.h"

namespace kuzo {

namespace {
// Smallest saved simple entry: empty source, command, page, area size.
constexpr size_t kMinSimpleEntryBytes = 4 + 4 * 4;
// Smallest saved piece without VAR values: empty source and four integers.
constexpr size_t kMinPieceBytes = 4 + 4 * 4;
}  // namespace

std::string TKuzoHistData::EffectiveSource(size_t i) const {
  for (size_t k = i + 1; k-- > 0;) {
    if (k < pieces.size() && !pieces[k].source.empty()) return pieces[k].source;
  }
  return {};
}

void TKuzoNewHistory::RecordPending(const std::string& window, const std::string& source,
                                    const std::string& varValues, int32_t page, int32_t lastUnit,
                                    int32_t firstUnit, int32_t command, int32_t areaWidth, int32_t areaHeight,
                                    const THistoryFormat& format) {
  pending_.window = window;
  pending_.source = source;
  pending_.command = command;
  pending_.firstUnit = firstUnit;
  pending_.lastUnit = lastUnit;
  pending_.varValues = varValues;
  if (format.fontSize == 0) {  // no format registered: the simple form needs the window's size
    pending_.areaWidth = areaWidth;
    pending_.areaHeight = areaHeight;
    pending_.page = page;
  }
  // A new format takes effect once the laid-out history is empty.
  if (pages_.empty()) word_ = format;
}

void TKuzoNewHistory::CommitPending(const std::string& window) {
  if (pending_.source.empty() || window != pending_.window) return;
  if (LaidOut()) {
    if (!layout_) return;  // nothing can lay the text out yet; the entry stays pending
    HistoryLayoutResult laid =
        layout_({pending_.source, pending_.command, pending_.firstUnit, pending_.lastUnit, pending_.varValues, word_});
    if (!laid.fileExists) {
      pending_ = Pending{};
      return;
    }
    if (!laid.isTextCommand) return;
    for (const THistLayoutPage& page : laid.pages) {
      const int32_t height = page.height + word_.lineSpace;
      const bool fits = !pages_.empty() && pages_.back().totalHeight + height <= word_.height;
      if (!fits) pages_.emplace_back();
      TKuzoHistData& target = pages_.back();
      const std::string previous = target.EffectiveSource(target.pieces.size() - 1);
      THistPiece piece{pending_.source == previous && !target.pieces.empty() ? std::string() : pending_.source,
                       pending_.command, page.firstUnit, page.lastUnit, height, pending_.varValues};
      target.pieces.push_back(std::move(piece));
      target.totalHeight += height;
    }
  } else {
    std::string previous;
    for (auto it = simple_.rbegin(); it != simple_.rend(); ++it) {
      if (!it->source.empty()) {
        previous = it->source;
        break;
      }
    }
    simple_.push_back({pending_.source == previous ? std::string() : pending_.source, pending_.command,
                       pending_.page, pending_.areaWidth, pending_.areaHeight});
  }
  Trim();
  pending_ = Pending{};
}

void TKuzoNewHistory::Trim() {
  if (maxCount_ <= 0) return;  // unlimited
  auto trimFront = [this](auto& list) {
    if (static_cast<int64_t>(list.size()) <= maxCount_) return;
    const size_t drop = list.size() - static_cast<size_t>(maxCount_);
    list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(drop));
  };
  // The first kept item must carry its file name, which may have been on a removed one.
  if (LaidOut()) {
    if (static_cast<int64_t>(pages_.size()) > maxCount_) {
      const size_t first = pages_.size() - static_cast<size_t>(maxCount_);
      if (!pages_[first].pieces.empty() && pages_[first].pieces[0].source.empty()) {
        for (size_t k = first; k-- > 0;) {
          if (!pages_[k].pieces.empty()) {
            pages_[first].pieces[0].source = pages_[k].EffectiveSource(pages_[k].pieces.size() - 1);
            if (!pages_[first].pieces[0].source.empty()) break;
          }
        }
      }
    }
    trimFront(pages_);
  } else {
    if (static_cast<int64_t>(simple_.size()) > maxCount_) {
      const size_t first = simple_.size() - static_cast<size_t>(maxCount_);
      for (size_t k = first + 1; k-- > 0 && simple_[first].source.empty();) simple_[first].source = simple_[k].source;
    }
    trimFront(simple_);
  }
}

void TKuzoNewHistory::SetMaxCount(int32_t n) {
  maxCount_ = n;
  Trim();
}

void TKuzoNewHistory::Clear() {
  simple_.clear();
  pages_.clear();
  pending_ = Pending{};
}

int32_t TKuzoNewHistory::Count() const {
  return static_cast<int32_t>(LaidOut() ? pages_.size() : simple_.size());
}

int32_t TKuzoNewHistory::Extent() const {
  if (!LaidOut()) return static_cast<int32_t>(simple_.size());
  int64_t total = 0;
  for (const TKuzoHistData& d : pages_) total += d.totalHeight;
  return static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
}

HistorySelection TKuzoNewHistory::Select(int32_t start, int32_t count) const {
  HistorySelection out;
  out.laidOut = LaidOut();
  if (count <= 0 || start < 0) return out;
  if (!out.laidOut) {
    std::string source;
    for (size_t i = 0; i < simple_.size(); ++i) {
      if (!simple_[i].source.empty()) source = simple_[i].source;
      if (static_cast<int64_t>(i) < start || static_cast<int64_t>(i) >= int64_t{start} + count) continue;
      THistoryOldData ref = simple_[i];
      ref.source = source;
      out.references.push_back(std::move(ref));
    }
    return out;
  }
  // Walk every piece of every page with its top along the whole history.
  const int64_t end = int64_t{start} + count;
  int64_t top = 0;
  bool started = false;
  for (const TKuzoHistData& page : pages_) {
    for (size_t i = 0; i < page.pieces.size(); ++i) {
      const THistPiece& piece = page.pieces[i];
      const int64_t bottom = top + piece.height;
      if (!started && start >= top && start < bottom) {
        started = true;
        out.firstOffset = static_cast<int32_t>(top - start);
      }
      if (started) {
        THistPiece copy = piece;
        copy.source = page.EffectiveSource(i);
        out.pieces.totalHeight += copy.height;
        out.pieces.pieces.push_back(std::move(copy));
        if (end >= top && end < bottom) return out;  // the piece holding the range's end
      }
      top = bottom;
    }
  }
  return out;
}

void TKuzoNewHistory::SavePieces(ByteWriter& w, const TKuzoHistData& d) {
  w.U32(static_cast<uint32_t>(d.pieces.size()));
  for (const THistPiece& p : d.pieces) {
    w.String(p.source);
    w.I32(p.command);
    w.I32(p.firstUnit);
    w.I32(p.lastUnit);
    w.I32(p.height);
    w.String(p.varValues);
  }
  w.I32(d.totalHeight);
}

TKuzoHistData TKuzoNewHistory::LoadPieces(ByteReader& r, uint32_t version) {
  TKuzoHistData d;
  const uint32_t count = r.Count(kMinPieceBytes, "piece count");
  d.pieces.resize(count);
  for (THistPiece& p : d.pieces) {
    p.source = r.String("piece source");
    p.command = r.I32("piece command");
    p.firstUnit = r.I32("piece first unit");
    p.lastUnit = r.I32("piece last unit");
    p.height = r.I32("piece height");
    if (version > kHistoryVarValuesAbove) p.varValues = r.String("piece VAR values");
  }
  d.totalHeight = r.I32("total height");
  return d;
}

void TKuzoNewHistory::SaveToStream(ByteWriter& w) const {
  w.U32(static_cast<uint32_t>(simple_.size()));
  for (const THistoryOldData& e : simple_) {
    w.String(e.source);
    w.I32(e.command);
    w.I32(e.page);
    w.I32(e.areaWidth);
    w.I32(e.areaHeight);
  }
  w.String(pending_.source);
  w.I32(pending_.command);
  w.I32(pending_.page);
  w.I32(pending_.areaWidth);
  w.I32(pending_.areaHeight);
  w.String(pending_.window);
  w.I32(maxCount_);
  for (int32_t v : {word_.fontSize, word_.borderWidth, word_.shadowWidth, word_.width, word_.height, word_.lineSpace}) {
    w.I32(v);
  }
  w.I32(pending_.firstUnit);
  w.I32(pending_.lastUnit);
  w.U32(static_cast<uint32_t>(pages_.size()));
  for (const TKuzoHistData& d : pages_) SavePieces(w, d);
  w.String(pending_.varValues);
}

void TKuzoNewHistory::LoadFromStream(ByteReader& r, uint32_t version) {
  TKuzoNewHistory fresh;
  fresh.layout_ = layout_;
  fresh.maxCount_ = maxCount_;  // kept when the record is too old to hold it
  if (version < kHistoryNewLayoutSince) {
    r.String("history head");
    const uint32_t count = r.Count(kMinSimpleEntryBytes, "history count");
    fresh.simple_.resize(count);
    for (auto& e : fresh.simple_) e.source = r.String("history source");
    for (auto& e : fresh.simple_) e.command = r.I32("history command");
    for (auto& e : fresh.simple_) e.page = r.I32("history page");
    for (auto& e : fresh.simple_) {
      e.areaWidth = r.I32("history area width");
      e.areaHeight = r.I32("history area height");
    }
  } else {
    const uint32_t count = r.Count(kMinSimpleEntryBytes, "history count");
    fresh.simple_.resize(count);
    for (auto& e : fresh.simple_) {
      e.source = r.String("history source");
      e.command = r.I32("history command");
      e.page = r.I32("history page");
      e.areaWidth = r.I32("history area width");
      e.areaHeight = r.I32("history area height");
    }
  }
  Pending& p = fresh.pending_;
  p.source = r.String("pending source");
  p.command = r.I32("pending command");
  p.page = r.I32("pending page");
  p.areaWidth = r.I32("pending area width");
  p.areaHeight = r.I32("pending area height");
  p.window = r.String("pending window");
  if (version >= kHistoryNewLayoutSince) {
    fresh.maxCount_ = r.I32("history maximum");
    THistoryFormat& f = fresh.word_;
    for (int32_t* v : {&f.fontSize, &f.borderWidth, &f.shadowWidth, &f.width, &f.height, &f.lineSpace}) {
      *v = r.I32("history format");
    }
    p.firstUnit = r.I32("pending first unit");
    p.lastUnit = r.I32("pending last unit");
    const uint32_t pages = r.Count(8, "history page count");
    fresh.pages_.reserve(pages);
    for (uint32_t i = 0; i < pages; ++i) fresh.pages_.push_back(LoadPieces(r, version));
  }
  if (version > kHistoryVarValuesAbove) p.varValues = r.String("pending VAR values");
  *this = std::move(fresh);
}

std::vector<std::pair<std::string, std::string>> ParseFrozenVarValues(const std::string& lines) {
  std::vector<std::pair<std::string, std::string>> values;
  size_t start = 0;
  while (start < lines.size()) {
    size_t end = lines.find('\n', start);
    if (end == std::string::npos) end = lines.size();
    std::string line = lines.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (eq != std::string::npos) values.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    start = end + 1;
  }
  return values;
}

}  // namespace kuzo
