// The message window: building pages from markup or stored glyph lists, page turns with their
// play-start event, typing one step per frame with playing/play-end events, EVENT glyphs as
// notify events, link highlighting and link clicks, and the window's properties.
#include "components/kuzo_mes.h"

#include <algorithm>

#include "components/history_store.h"
#include "components/read_marks.h"
#include "core/byte_reader.h"
#include "core/errors.h"
#include "core/sjis.h"
#include "graphics/dibx.h"
#include "graphics/font_pixel.h"
#include "scene/component_services.h"
#include "scene/kuzo_base.h"
#include "text/row_dump.h"
#include "vars/param_collection.h"

namespace kuzo {

namespace {
// Play states the window reports: 0 while the shown page types, 2 otherwise.
constexpr int32_t kPlayStateTyping = 0;
constexpr int32_t kPlayStateIdle = 2;
constexpr int32_t kQualityAntialiased = 3;

// Lines of a text separated by LF (a CR before it dropped); an empty text gives no lines.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

void AppendCharBytes(std::string& out, const TWdChar& c) {
  if (c.Code > 0xFF) out.push_back(static_cast<char>(c.Code >> 8));
  out.push_back(static_cast<char>(c.Code & 0xFF));
}
}  // namespace

TKuzoMes::TKuzoMes() {
  word_.Quality = kQualityAntialiased;
  word_.Paging = true;
  word_.OnEvent = [this](const std::string& value) { OnWordEvent(value); };
  // Inline images lay out at the size of their first frame and draw their current frame.
  word_.ImageSize = [this](const std::string& source) {
    const TKuzoImageList* list = InlineImage(source);
    // A missing picture takes no space (the cache's stand-in frame is not shown either).
    if (!list || list->Empty() || list->Item()->Missing) return TextSize{};
    return TextSize{list->Item()->Width, list->Item()->Height};
  };
  word_.ImageFrame = [this](const std::string& source) {
    const TKuzoImageList* list = InlineImage(source);
    if (!list || list->Empty() || list->Item()->Missing) return TextImageFrame{};
    const int i = list->Index() >= 0 && list->Index() < list->Count() ? list->Index() : 0;
    const TKuzoImageData& frame = list->Frame(i);
    return TextImageFrame{&frame.Picture(), frame.Mask()};
  };
}

TKuzoMes::~TKuzoMes() { ReleaseInlineImages(); }

TKuzoImageList* TKuzoMes::InlineImage(const std::string& source) {
  // File names are compared without letter case, as the cache does: one list per cache item, so
  // releasing the lists never touches an item another list of this window still holds.
  const std::string key = sjis::ToUpper(source);
  auto it = inlineImages_.find(key);
  if (it != inlineImages_.end()) return it->second.get();
  TDrelCollection* cache = Services() ? Services()->Images() : nullptr;
  if (!cache || source.empty()) return nullptr;
  auto list = std::make_unique<TKuzoImageList>();
  list->Load(*cache, source, this);
  return inlineImages_.emplace(key, std::move(list)).first->second.get();
}

void TKuzoMes::ReleaseInlineImages() {
  // The lists share one cache user (this window): clearing one releases the window's hold on its
  // file, so each file has exactly one list here.
  inlineImages_.clear();
}

TWdPage* TKuzoMes::Shown() {
  return index_ >= 0 && index_ < GetCount() ? pages_[static_cast<size_t>(index_)].get() : nullptr;
}

const TWdPage* TKuzoMes::ShownPage() const {
  return index_ >= 0 && index_ < GetCount() ? pages_[static_cast<size_t>(index_)].get() : nullptr;
}

void TKuzoMes::SyncAreaToSize() {
  word_.AreaWidth = Width();
  word_.PageHeight = Height();
}

void TKuzoMes::RequestRelayout() {
  relayout_ = true;
  Invalidate();
}

int32_t TKuzoMes::CurrentTextDelay() const {
  // Without a variable table (a scene outside the player) glyphs carry no delay of their own.
  const TParamCollection* vars = Services() ? Services()->Variables() : nullptr;
  return vars ? vars->TextDelay : 0;
}

void TKuzoMes::RebuildPages() {
  pages_.clear();
  rendered_ = false;
  SyncAreaToSize();
  // Zero or negative window sizes lay out nothing: the window then shows no pages.
  if (word_.AreaWidth <= 0 || word_.PageHeight <= 0) return;
  word_.ExpandVars(0, -1, Services() ? Services()->Variables() : nullptr);
  word_.Layout(pages_);
}

void TKuzoMes::SetText(const std::string& text) {
  Invalidate();
  CommitHistory();
  text_ = text;
  ReleaseInlineImages();
  pieces_ = {};
  references_.clear();
  firstOffset_ = 0;
  readMarkMode_ = 0;
  word_.Clear();
  word_.VarValues.clear();  // values frozen for other text do not apply
  word_.Paging = true;  // no longer the history's long page
  // Glyphs without a WAIT tag type at the current "@TextDelay".
  word_.TextDelay = CurrentTextDelay();
  word_.SetText(text);
  RebuildPages();
  index_ = 0;
  scrollY_ = 0;
  if (!pages_.empty()) {
    relayout_ = true;
    revealReset_ = true;
    word_.ResetReveal(*pages_[0]);
    RaisePlayStart();
  }
}

void TKuzoMes::InsertGlyphs(const std::string& glyphBytes, const std::string& sourceFile, int32_t commandIndex,
                            bool keepRead) {
  Invalidate();
  CommitHistory();
  text_.clear();
  readMarkMode_ = keepRead ? 1 : 0;
  sourceFile_ = keepRead ? sourceFile : std::string();
  sourceIndex_ = keepRead ? commandIndex : -1;
  // The window keeps a reference to the command's text: one piece, the whole list.
  pieces_ = {};
  pieces_.pieces.push_back(THistPiece{sourceFile, commandIndex, 0, -1, 0, {}});
  references_.clear();
  stackMode_ = false;
  firstOffset_ = 0;
  word_.Clear();
  word_.VarValues.clear();
  word_.Paging = true;
  ReleaseInlineImages();
  index_ = -1;
  scrollY_ = 0;
  ByteReader r(glyphBytes, sourceFile.empty() ? std::string("text") : sourceFile);
  // A damaged list shows what was read before the fault; the window stays usable.
  try {
    word_.LoadGlyphs(r);
  } catch (const FormatError&) {
  }
  RebuildPages();
  if (!pages_.empty()) {
    relayout_ = true;
    revealReset_ = true;
  }
}

void TKuzoMes::ClearText() {
  Invalidate();
  CommitHistory();
  readMarkMode_ = 0;
  sourceFile_.clear();
  sourceIndex_ = -1;
  text_.clear();
  pieces_ = {};
  references_.clear();
  word_.Clear();
  word_.Paging = true;
  pages_.clear();
  ReleaseInlineImages();
  index_ = -1;
  scrollY_ = 0;
  rendered_ = false;
}

void TKuzoMes::SetIndex(int32_t i) {
  if (i < 0 || i >= GetCount() || i == index_) return;
  if (Shown()) CommitHistory();
  index_ = i;
  scrollY_ = 0;
  RaisePlayStart();
  RecordPendingPage();
  word_.ResetReveal(*pages_[static_cast<size_t>(i)]);
  relayout_ = true;
  revealReset_ = true;
  Invalidate();
}

void TKuzoMes::RaisePlayStart() {
  if (!playStartLabel_.empty() && Services()) {
    // "1" tells the script the page was shown to its end before (only pages tracked for read marks).
    const TKuzoReadList* marks = Services()->ReadMarks();
    const bool read = readMarkMode_ == 1 && !sourceFile_.empty() && marks &&
                      marks->IsRead(sourceFile_, sourceIndex_, index_);
    std::vector<std::string> args{read ? "1" : "0"};
    Services()->QueueEvent(this, playStartLabel_, &args, PR_ONPLAYSTART);
  }
  startDelay_ = 1;
}

void TKuzoMes::AnimateInlineImages(TWdPage& page, int32_t elapsedMs) {
  if (page.Reveal.Animated.empty() || elapsedMs <= 0) return;
  // Glyphs of one file share its frame list: it advances once, then every glyph showing it repaints.
  std::vector<const TKuzoImageList*> changed;
  std::vector<const TKuzoImageList*> advanced;
  for (const TWdImg* img : page.Reveal.Animated) {
    TKuzoImageList* list = InlineImage(img->Source);
    if (!list || std::find(advanced.begin(), advanced.end(), list) != advanced.end()) continue;
    advanced.push_back(list);
    if (list->Advance(elapsedMs)) changed.push_back(list);
  }
  if (changed.empty()) return;
  for (const TWdImg* img : page.Reveal.Animated) {
    const TKuzoImageList* list = InlineImage(img->Source);
    if (std::find(changed.begin(), changed.end(), list) != changed.end()) word_.DirtyRects.push_back(word_.DestRect(page, *img));
  }
}

void TKuzoMes::CommitHistory() {
  if (TKuzoNewHistory* history = Services() ? Services()->History() : nullptr) history->CommitPending(GetName());
}

void TKuzoMes::RecordPendingPage() {
  const TWdPage* page = ShownPage();
  ComponentServices* s = Services();
  if (readMarkMode_ != 1 || sourceFile_.empty() || !page || !s) return;
  int32_t firstUnit = 0, lastUnit = 0;
  word_.PageUnitRange(*page, firstUnit, lastUnit);
  if (TKuzoNewHistory* history = s->History()) {
    THistoryFormat format;
    if (const TParamCollection* vars = s->Variables()) {
      const auto& h = vars->HistorySettings;
      format = THistoryFormat{h[0], h[1], h[2], h[3], h[4], h[5]};
    }
    history->RecordPending(GetName(), sourceFile_, FrozenVarValues(), index_, lastUnit, firstUnit, sourceIndex_, Width(),
                           Height(), format);
  }
  if (TKuzoReadList* marks = s->ReadMarks()) marks->SetPending(GetName(), sourceFile_, index_, sourceIndex_);
}

void TKuzoMes::OnWordEvent(const std::string& value) {
  if (notifyLabel_.empty() || !Services()) return;
  std::vector<std::string> args = SplitLines(value);
  Services()->QueueEvent(this, notifyLabel_, &args, EV_NOTIFY);
}

bool TKuzoMes::IsPlaying() const {
  const TWdPage* page = ShownPage();
  if (!page) return false;
  return index_ + 1 < GetCount() || word_.HasMore(*page);
}

int32_t TKuzoMes::GetPlayState() const {
  const TWdPage* page = ShownPage();
  return page && word_.HasMore(*page) ? kPlayStateTyping : kPlayStateIdle;
}

void TKuzoMes::ReportDirtyRects() {
  ComponentServices* s = Services();
  if (s && GetVisible() && GetBase()) {
    for (const TRectI& r : word_.DirtyRects) s->InvalidateRect(TRect{r.Left, r.Top, r.Right, r.Bottom});
  }
  word_.DirtyRects.clear();
}

bool TKuzoMes::Tick() {
  TKuzoControl::Tick();
  if (startDelay_ >= 1) {
    --startDelay_;
    return false;
  }
  TWdPage* page = Shown();
  if (!page || EventPending(PR_ONPLAYSTART)) return false;
  word_.AreaLeft = GetAbsLeft();
  word_.AreaTop = GetAbsTop();
  page->Reveal.ScrollOffset = scrollY_;
  if (relayout_) {
    if (revealReset_) word_.ResetReveal(*page);
    if (Services() && Services()->Glyphs()) {
      word_.Render(*page, *Services()->Glyphs());
      rendered_ = true;
    }
    relayout_ = revealReset_ = false;
    Invalidate();
  }
  std::string shown;
  const bool finished = word_.Step(*page, Services() ? Services()->FrameDeltaMs() : 0, &shown);
  if (!shown.empty() && !playingLabel_.empty() && Services()) {
    std::vector<std::string> args{shown};
    Services()->QueueEvent(this, playingLabel_, &args, PR_ONPLAYING);
  }
  AnimateInlineImages(*page, Services() ? Services()->FrameDeltaMs() : 0);
  if (finished) {
    // Only a tracked page commits: the store's pending mark may still name a tracked page this
    // window left unfinished for untracked text, and that page was not read.
    TKuzoReadList* marks = Services() ? Services()->ReadMarks() : nullptr;
    if (marks && readMarkMode_ == 1 && !sourceFile_.empty()) marks->CommitPending(GetName());
    RaiseEvent(playEndLabel_, EV_PLAYEND, false);
  }
  ReportDirtyRects();
  return false;
}

void TKuzoMes::Draw() {
  TCustomDIBX* s = GetDrawSurface();
  const TWdPage* page = ShownPage();
  if (s && page && rendered_ && GetVisible()) {
    word_.Target = s;
    word_.AreaLeft = GetAbsLeft();
    word_.AreaTop = GetAbsTop();
    const TRect clip = s->ClipIsSet() ? s->GetClip() : TRect{0, 0, s->Width(), s->Height()};
    word_.ClipRect = TRectI{clip.left, clip.top, clip.right, clip.bottom};
    word_.Draw(*page);
    word_.Target = nullptr;
  }
  TKuzoControl::Draw();
}

TKuzoControl* TKuzoMes::HitTest(ScenePoint p, MouseModeSet modes) {
  if (!captureLink_) return TKuzoControl::HitTest(p, modes);
  // Over link text only: children first, then this window where a shown glyph carries a link.
  const std::vector<TKuzoControl*> kids = Children();
  for (size_t i = kids.size(); i-- > 0;)
    if (TKuzoControl* hit = kids[i]->HitTest(p, modes)) return hit;
  const TWdPage* page = ShownPage();
  if (!page || !GetVisible() || !ModeInSet(MouseMode(), modes)) return nullptr;
  const TWdReal* g = word_.HitTest(*page, static_cast<int32_t>(p.x), static_cast<int32_t>(p.y));
  return g && !g->Link.empty() ? this : nullptr;
}

void TKuzoMes::MouseMove() {
  TWdPage* page = Shown();
  TKuzoBase* base = GetBase();
  if (page && base && Services() && Services()->Glyphs()) {
    const bool still = !word_.HasMore(*page) && !paused_ && !textPaused_;
    word_.AreaLeft = GetAbsLeft();
    word_.AreaTop = GetAbsTop();
    word_.HoverAt(*page, still ? base->MouseX() : -1, still ? base->MouseY() : -1, *Services()->Glyphs());
    ReportDirtyRects();
  }
  TKuzoControl::MouseMove();
}

void TKuzoMes::MouseOut(TKuzoControl* next) {
  TWdPage* page = Shown();
  if (page && Services() && Services()->Glyphs()) {
    word_.HoverAt(*page, -1, -1, *Services()->Glyphs());
    ReportDirtyRects();
  }
  TKuzoControl::MouseOut(next);
}

void TKuzoMes::LeftDown() {
  const TWdPage* page = ShownPage();
  if (page && !linkLabel_.empty() && Services() && !EventPending(PR_ONLINK)) {
    // The highlighted run: its link value, then the lines of its text.
    std::string link, text;
    for (const auto& row : page->Rows) {
      for (const TWdGlyph* g : row->Glyphs) {
        if (!g->IsChar() && g->Kind != GlyphKind::Img) continue;
        const auto* real = static_cast<const TWdReal*>(g);
        if (!real->Hover) continue;
        link = real->Link;
        if (g->IsChar()) AppendCharBytes(text, static_cast<const TWdChar&>(*g));
      }
    }
    if (!link.empty()) {
      std::vector<std::string> args{link};
      for (std::string& line : SplitLines(text)) args.push_back(std::move(line));
      Services()->QueueEvent(this, linkLabel_, &args, PR_ONLINK);
      if (TKuzoBase* base = GetBase()) base->leftClick = false;
      return;
    }
  }
  TKuzoControl::LeftDown();
}

int32_t TKuzoMes::GetIntProp(PropId id) const {
  switch (id) {
    case PR_FONTHEIGHT: return word_.FontSize;
    case PR_FONTCOLOR: return word_.TextColor;
    case PR_FONTLINKCOLOR: return word_.LinkColor;
    case PR_FONTHOVERCOLOR: return word_.HoverColor;
    case PR_FONTBORDERCOLOR: return word_.BorderColorDefault;
    case PR_FONTSHADOWCOLOR: return word_.ShadowColorDefault;
    case PR_FONTBORDER: return word_.BorderWidthDefault;
    case PR_FONTSHADOW: return word_.ShadowWidthDefault;
    case PR_LINESPACE: return word_.LineSpace;
    case PR_ALPHA: return word_.ImageAlpha;
    case PR_DELAY: return word_.FadeTime;
    case PR_TEXTDELAY: return textDelay_;
    case PR_INDEX: return index_;
    case PR_COUNT: return GetCount();
    case PR_SCROLLY: return scrollY_;
    case PR_CARETX: return word_.CaretX;
    case PR_CARETY: return word_.CaretY;
    default: return TKuzoControl::GetIntProp(id);
  }
}

void TKuzoMes::SetIntProp(PropId id, int32_t v) {
  auto setting = [&](int32_t& field) {
    if (field == v) return;
    field = v;
    RequestRelayout();
  };
  switch (id) {
    case PR_FONTHEIGHT: setting(word_.FontSize); break;
    case PR_FONTCOLOR: setting(word_.TextColor); break;
    case PR_FONTLINKCOLOR: setting(word_.LinkColor); break;
    case PR_FONTHOVERCOLOR: setting(word_.HoverColor); break;
    case PR_FONTBORDERCOLOR: setting(word_.BorderColorDefault); break;
    case PR_FONTSHADOWCOLOR: setting(word_.ShadowColorDefault); break;
    case PR_FONTBORDER: setting(word_.BorderWidthDefault); break;
    case PR_FONTSHADOW: setting(word_.ShadowWidthDefault); break;
    case PR_LINESPACE: setting(word_.LineSpace); break;
    case PR_ALPHA: setting(word_.ImageAlpha); break;
    case PR_DELAY: word_.FadeTime = std::max(v, 0); break;
    case PR_TEXTDELAY:
      textDelay_ = v;
      word_.Speed = v;
      break;
    case PR_INDEX: SetIndex(v); break;
    case PR_SCROLLY:
      if (scrollY_ != v) {
        scrollY_ = v;
        RequestRelayout();
      }
      break;
    case PR_WIDTH:
    case PR_HEIGHT:
      TKuzoControl::SetIntProp(id, v);
      SyncAreaToSize();
      RequestRelayout();
      break;
    default: TKuzoControl::SetIntProp(id, v); break;
  }
}

bool TKuzoMes::GetBoolProp(PropId id) const {
  switch (id) {
    case PR_ANTIALIAS: return word_.Quality > 0;
    case PR_PAUSED: return paused_;
    case PR_TEXTPAUSED: return textPaused_;
    case PR_PLAYING: return IsPlaying();
    case PR_CAPTURELINK: return captureLink_;
    default: return TKuzoControl::GetBoolProp(id);
  }
}

void TKuzoMes::SetBoolProp(PropId id, bool v) {
  switch (id) {
    case PR_ANTIALIAS:
      word_.Quality = v ? kQualityAntialiased : 0;
      RequestRelayout();
      break;
    case PR_PAUSED:
    case PR_TEXTPAUSED:
      (id == PR_PAUSED ? paused_ : textPaused_) = v;
      word_.Paused = paused_ || textPaused_;
      break;
    case PR_CAPTURELINK: captureLink_ = v; break;
    default: TKuzoControl::SetBoolProp(id, v); break;
  }
}

std::string TKuzoMes::GetStrProp(PropId id) const {
  switch (id) {
    case PR_FONTNAME: return word_.FontName;
    case PR_ONPLAYING: return playingLabel_;
    case PR_ONPLAYSTART: return playStartLabel_;
    case PR_ONPLAYEND: return playEndLabel_;
    case PR_ONLINK: return linkLabel_;
    case PR_ONNOTIFY: return notifyLabel_;
    case PR_ONIDLE: return idleLabel_;
    case PR_TEXT: {
      // The characters of the shown page, one line per row.
      std::string out;
      if (const TWdPage* page = ShownPage()) {
        for (size_t i = 0; i < page->Rows.size(); ++i) {
          if (i) out += "\r\n";
          out += RowText(*page->Rows[i]);
        }
      }
      return out;
    }
    default: return TKuzoControl::GetStrProp(id);
  }
}

void TKuzoMes::SetStrProp(PropId id, const std::string& v) {
  switch (id) {
    case PR_FONTNAME:
      if (word_.FontName != v) {
        word_.FontName = v;
        RequestRelayout();
      }
      break;
    case PR_ONPLAYING: playingLabel_ = v; break;
    case PR_ONPLAYSTART: playStartLabel_ = v; break;
    case PR_ONPLAYEND: playEndLabel_ = v; break;
    case PR_ONLINK: linkLabel_ = v; break;
    case PR_ONNOTIFY:
      notifyLabel_ = v;
      word_.EventsEnabled = !v.empty();
      break;
    case PR_ONIDLE: idleLabel_ = v; break;
    case PR_TEXT: SetText(v); break;
    default: TKuzoControl::SetStrProp(id, v); break;
  }
}

}  // namespace kuzo
