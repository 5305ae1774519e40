// The message window's saved record and its restoring after a load: the pages are not saved but
// rebuilt from what they were made of (the referenced text command, or the text set as a property),
// and then the shown page, its scroll offset and every page's reveal state are put back.
#include <algorithm>

#include "components/kuzo_mes.h"
#include "core/byte_reader.h"
#include "core/errors.h"
#include "graphics/font_pixel.h"
#include "scene/component_services.h"
#include "scene/script_text_source.h"

namespace kuzo {
namespace {

// Save versions that change the record.
constexpr int32_t kMesIdleLabelAbove = 103;
constexpr int32_t kMesHistoryDataAbove = 112;
constexpr int32_t kMesCaptureLinkSince = 120;
// Bytes of one reference spread over the four arrays: string length, command, page, two sizes.
constexpr size_t kMinReferenceBytes = 4;
// A frozen VAR value keeps its line breaks as this byte inside its name=value line.
constexpr char kVarLineBreak = '\x01';

}  // namespace

std::string TKuzoMes::FrozenVarValues() const {
  // The values the shown page's VAR glyphs show now; without a page, those the word was given.
  const TWdPage* page = ShownPage();
  const auto values = page ? word_.PageVarValues(*page) : word_.VarValues;
  std::string lines;
  for (const auto& [name, value] : values) {
    std::string v = value;
    std::replace(v.begin(), v.end(), '\r', kVarLineBreak);
    v.erase(std::remove(v.begin(), v.end(), '\n'), v.end());
    lines += name + "=" + v + "\r\n";
  }
  return lines;
}

void TKuzoMes::SetFrozenVarValues(const std::string& lines) { word_.VarValues = ParseFrozenVarValues(lines); }

void TKuzoMes::SaveToStream(ByteWriter& out) const {
  TKuzoControl::SaveToStream(out);
  word_.SaveSettings(out);
  // The message data; the shown page's frozen VAR values go with every piece.
  TKuzoHistData pieces = pieces_;
  // The history shown in the window keeps each piece's own values.
  if (ShownPage() && pieces.pieces.size() == 1) {
    const std::string values = FrozenVarValues();
    for (THistPiece& p : pieces.pieces) p.varValues = values;
  }
  out.U32(static_cast<uint32_t>(references_.size()));
  for (const Reference& r : references_) out.String(r.source);
  for (const Reference& r : references_) out.I32(r.command);
  for (const Reference& r : references_) out.I32(r.page);
  for (const Reference& r : references_) {
    out.I32(r.width);
    out.I32(r.height);
  }
  TKuzoNewHistory::SavePieces(out, pieces);

  out.Bool(stackMode_);
  out.I32(firstOffset_);
  out.String(text_);
  out.I32(index_);
  out.I32(scrollY_);
  out.I32(reservedInt_);
  for (const std::string& s : reservedStrings_) out.String(s);
  for (const std::string* label : {&playingLabel_, &playStartLabel_, &playEndLabel_, &linkLabel_, &notifyLabel_})
    out.String(*label);
  out.Bool(paused_);
  out.Bool(textPaused_);
  out.I32(textDelay_);
  out.U8(readMarkMode_);
  out.String(sourceFile_);
  out.I32(sourceIndex_);
  out.String(idleLabel_);
  out.Bool(captureLink_);

  ByteWriter states;
  for (const auto& page : pages_) word_.SaveRevealState(*page, states);
  out.U32(static_cast<uint32_t>(states.Size()));
  out.Bytes(states.Str());
}

void TKuzoMes::LoadFromStream(ByteReader& in, int32_t version) {
  TKuzoControl::LoadFromStream(in, version);
  word_.LoadSettings(in, version);
  const uint32_t count = in.Count(kMinReferenceBytes, "reference count");
  std::vector<Reference> refs(count);
  for (Reference& r : refs) r.source = in.String("reference source");
  for (Reference& r : refs) r.command = in.I32("reference command");
  for (Reference& r : refs) r.page = in.I32("reference page");
  for (Reference& r : refs) {
    r.width = in.I32("reference width");
    r.height = in.I32("reference height");
  }
  references_ = std::move(refs);
  pieces_ = version > kMesHistoryDataAbove ? TKuzoNewHistory::LoadPieces(in, static_cast<uint32_t>(version))
                                           : TKuzoHistData{};

  stackMode_ = in.Bool("stack mode");
  firstOffset_ = version > kMesHistoryDataAbove ? in.I32("first offset") : 0;
  text_ = in.String("text");
  index_ = in.I32("page index");
  scrollY_ = in.I32("scroll offset");
  reservedInt_ = in.I32("reserved");
  for (std::string& s : reservedStrings_) s = in.String("reserved text");
  playingLabel_ = in.String("playing label");
  playStartLabel_ = in.String("play start label");
  playEndLabel_ = in.String("play end label");
  linkLabel_ = in.String("link label");
  notifyLabel_ = in.String("notify label");
  paused_ = in.Bool("paused");
  textPaused_ = in.Bool("text paused");
  textDelay_ = in.I32("text delay");
  readMarkMode_ = in.U8("read mark mode");
  sourceFile_ = in.String("source file");
  sourceIndex_ = in.I32("source command");
  idleLabel_ = version > kMesIdleLabelAbove ? in.String("idle label") : std::string();
  captureLink_ = version >= kMesCaptureLinkSince ? in.Bool("capture link") : false;
  const uint32_t stateBytes = in.Count(1, "page state length");
  pendingPageStates_ = in.Bytes(stateBytes, "page states");

  word_.Paused = paused_ || textPaused_;
  word_.EventsEnabled = !notifyLabel_.empty();
  // The pages come back in AfterLoad, when the whole save has been read.
  pages_.clear();
  rendered_ = false;
}

void TKuzoMes::RebuildFromMessageData() {
  Invalidate();
  text_.clear();
  BuildPages();
}

void TKuzoMes::AfterLoad() {
  const int32_t index = index_;
  const int32_t scroll = scrollY_;
  const uint8_t mode = readMarkMode_;
  const std::string file = sourceFile_;
  const int32_t command = sourceIndex_;
  const std::string states = std::move(pendingPageStates_);
  pendingPageStates_.clear();
  if (pieces_.pieces.empty() && references_.empty()) {
    const std::string text = text_;
    word_.Clear();
    pages_.clear();
    if (!text.empty()) SetText(text);  // raises the play-start event again
  } else {
    RebuildFromMessageData();
  }
  readMarkMode_ = mode;
  sourceFile_ = file;
  sourceIndex_ = command;
  index_ = index >= 0 && index < GetCount() ? index : -1;
  scrollY_ = scroll;
  if (TWdPage* page = Shown()) word_.ResetReveal(*page);
  ByteReader r(states, "message window page states");
  try {
    for (auto& page : pages_) {
      if (r.Remaining() == 0) break;
      word_.LoadRevealState(*page, r);
    }
  } catch (const FormatError&) {
    // Damaged states leave the pages as reset: they type again from their start.
  }
  // The shown page is rendered now with the restored opacities (no reveal reset), so the first
  // frame after the load shows it even while a play-start raised again holds its reveal a tick.
  relayout_ = revealReset_ = false;
  if (TWdPage* page = Shown()) {
    if (Services() && Services()->Glyphs()) {
      word_.AreaLeft = GetAbsLeft();
      word_.AreaTop = GetAbsTop();
      page->Reveal.ScrollOffset = scrollY_;
      word_.Render(*page, *Services()->Glyphs());
      rendered_ = true;
    } else {
      relayout_ = true;  // rendered by the first tick that has the glyph cache
    }
  }
  Invalidate();
}

}  // namespace kuzo
