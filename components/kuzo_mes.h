// TKuzoMes: the message window. Shows tagged text page by page, typing it with the word's reveal
// engine, highlighting and reporting links, and telling scripts through events when a page starts,
// while it types and when it has finished. Scripts turn pages (PR_INDEX) or insert new text.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "components/history_store.h"
#include "components/kuzo_image_list.h"
#include "scene/kuzo_control.h"
#include "text/nk_word.h"

namespace kuzo {

class TKuzoMes : public TKuzoControl {
 public:
  static constexpr int32_t kKindCode = LT_MES;
  int32_t KindCode() const override { return kKindCode; }

  TKuzoMes();
  ~TKuzoMes() override;

  // The word that holds the glyphs and the layout settings (tests and the scene dump read it).
  const TNkWord& Word() const { return word_; }
  const std::vector<std::unique_ptr<TWdPage>>& Pages() const { return pages_; }
  const TWdPage* ShownPage() const;

  // Shows markup text (the PR_TEXT setter): pages rebuilt, the first page shown, play-start raised.
  void SetText(const std::string& text);
  // Shows a stored glyph list held by the text-insert command `commandIndex` of the script page
  // `sourceFile`. With `keepRead` the window remembers that source for read marks. Raises no
  // play-start; the caller shows the first page with SetIndex(0).
  void InsertGlyphs(const std::string& glyphBytes, const std::string& sourceFile, int32_t commandIndex,
                    bool keepRead);
  // Empties the window (the text-clear command): no pages, no source.
  void ClearText();
  // Shows part of the history (the history call): read-mark mode 2, the selection as the window's
  // message data, all of it built into one long page to scroll (PR_SCROLLY), shown from its top.
  // `stack` stacks the simple form's pages by their rows instead of by their windows' heights.
  void ShowHistory(const HistorySelection& selection, bool stack);
  // Rebuilds the pages from the message data after committing this window's left page; with
  // `raisePlayStart` the play-start event is raised when there are pages.
  void Rebuild(bool raisePlayStart);
  // Shows page `i`; ignored outside 0..count-1 and for the page already shown.
  void SetIndex(int32_t i);
  int32_t GetIndex() const { return index_; }
  int32_t GetCount() const { return static_cast<int32_t>(pages_.size()); }
  // Whether a page follows the shown one or the shown page still has something to reveal.
  bool IsPlaying() const;
  int32_t ReadMarkMode() const { return readMarkMode_; }
  const std::string& SourceFile() const { return sourceFile_; }
  int32_t SourceIndex() const { return sourceIndex_; }

  bool Tick() override;
  void Draw() override;
  TKuzoControl* HitTest(ScenePoint p, MouseModeSet modes) override;
  void MouseMove() override;
  void MouseOut(TKuzoControl* next) override;
  void LeftDown() override;
  int32_t GetPlayState() const override;

  // The saved record (after the control's): word settings, the message data the pages are built
  // from, the window's own fields and the reveal state of every page. AfterLoad rebuilds the pages
  // from the message data (the text command it names, through Services()->Texts()) or from the
  // saved text, and puts the page, its scroll offset and the reveal states back.
  void SaveToStream(ByteWriter& out) const override;
  void LoadFromStream(ByteReader& in, int32_t version) override;
  void AfterLoad() override;
  // The message data: pieces of script text (the text-insert case holds one).
  const TKuzoHistData& MessagePieces() const { return pieces_; }

  int32_t GetIntProp(PropId id) const override;
  void SetIntProp(PropId id, int32_t v) override;
  bool GetBoolProp(PropId id) const override;
  void SetBoolProp(PropId id, bool v) override;
  std::string GetStrProp(PropId id) const override;
  void SetStrProp(PropId id, const std::string& v) override;

 private:
  // Frees the pages and lays out the word's glyphs into new ones (VAR glyphs expanded).
  void RebuildPages();
  void RaisePlayStart();
  // Hands the history this window's page that is being left (the history ignores other windows').
  void CommitHistory();
  // In read-mark mode 1 with a source: the shown page becomes the pending history entry and the
  // pending read mark.
  void RecordPendingPage();
  void OnWordEvent(const std::string& value);
  void RequestRelayout();
  void ReportDirtyRects();
  void SyncAreaToSize();
  TWdPage* Shown();
  // Builds the pages from the message data: the one piece's text command through the text source.
  void RebuildFromMessageData();
  // The layout rule: one text-insert piece into pages; several history pieces, or references to
  // pages of the simple history, into one long page.
  void BuildPages();
  void BuildSinglePiece();
  void BuildHistoryPage();
  void BuildReferencePages();
  // Appends the glyphs of text command `command` of `source` to the word and returns the index of
  // the first one; nullopt when the command holds no glyph list.
  std::optional<size_t> AppendCommandGlyphs(const std::string& source, int32_t command);
  // Whether the page a piece or reference names is in the game data (true without a text source,
  // which then gives no glyphs anyway).
  bool SourceExists(const std::string& source) const;
  std::string FrozenVarValues() const;
  // The frame list of an inline image's file, taken from the image cache on first use; null
  // without a cache or a picture file name.
  TKuzoImageList* InlineImage(const std::string& source);
  // Gives the inline images back to the cache (the text they belonged to is gone).
  void ReleaseInlineImages();
  // Advances the frames of the revealed inline images of `page` by one frame's time; the images
  // whose frame changed are marked for repainting.
  void AnimateInlineImages(TWdPage& page, int32_t elapsedMs);
  int32_t CurrentTextDelay() const;
  void SetFrozenVarValues(const std::string& lines);

  // Simple history references the window shows (source, command, page, area size), saved as they are.
  struct Reference {
    std::string source;
    int32_t command = 0, page = 0, width = 0, height = 0;
  };

  TNkWord word_;
  std::vector<std::unique_ptr<TWdPage>> pages_;
  int32_t index_ = -1;
  int32_t scrollY_ = 0;
  std::string playingLabel_, playStartLabel_, playEndLabel_, linkLabel_, notifyLabel_, idleLabel_;
  bool paused_ = false;
  bool textPaused_ = false;
  int32_t textDelay_ = 0;
  uint8_t readMarkMode_ = 0;
  std::string sourceFile_;
  int32_t sourceIndex_ = -1;
  std::string text_;
  int32_t startDelay_ = 0;
  bool captureLink_ = false;
  bool relayout_ = false;
  bool revealReset_ = false;
  bool rendered_ = false;
  TKuzoHistData pieces_;
  std::vector<Reference> references_;
  bool stackMode_ = false;
  int32_t firstOffset_ = 0;
  int32_t reservedInt_ = 0;
  std::string reservedStrings_[3];
  std::string pendingPageStates_;
  std::map<std::string, std::unique_ptr<TKuzoImageList>> inlineImages_;  // by upper-cased file name  // reveal states read from a save until the pages are rebuilt
};

}  // namespace kuzo
