// The text history (`TKuzoNewHistory`): a backlog of the message pages the player has left, kept as
// references to the script text (file, text command, glyph range, frozen VAR values), never as
// copies. Without a registered history format each left page is one simple entry; with one, the
// pages are laid out with the format and grouped into history pages of the format's height. The
// layout itself belongs to the text layer, which supplies it through HistoryLayoutFn.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kuzo {

class ByteReader;
class ByteWriter;

// Save versions that change the history record.
constexpr uint32_t kHistoryNewLayoutSince = 113;   // older: a leading string, entries in runs
constexpr uint32_t kHistoryVarValuesAbove = 123;   // VAR values saved with pieces and pending entry

// One piece of a laid-out history page (a page of a text command's glyph range).
struct THistPiece {
  std::string source;  // empty: same file as the piece before
  int32_t command = 0;
  int32_t firstUnit = 0;
  int32_t lastUnit = -1;  // -1: to the end
  int32_t height = 0;
  std::string varValues;
};

// One laid-out history page (`TKuzoHistData`).
struct TKuzoHistData {
  std::vector<THistPiece> pieces;
  int32_t totalHeight = 0;
  // The file piece `i` belongs to: the last non-empty source at or before it.
  std::string EffectiveSource(size_t i) const;
};

// One simple history entry (`THistoryOldData`).
struct THistoryOldData {
  std::string source;  // empty: same file as the entry before
  int32_t command = 0;
  int32_t page = 0;
  int32_t areaWidth = 0, areaHeight = 0;
};

// The history format: font size, border width, shadow width, width, height, line space.
struct THistoryFormat {
  int32_t fontSize = 0, borderWidth = 0, shadowWidth = 0, width = 0, height = 0, lineSpace = 0;
};

// One page of text laid out with the history format: its height and glyph range.
struct THistLayoutPage {
  int32_t height = 0;
  int32_t firstUnit = 0;
  int32_t lastUnit = -1;
};

// Lays out text command `command` of `source` (units first..last, VAR values frozen) with the
// format. nullopt: the file is not in the game data, or the command is no text command.
struct HistoryLayoutRequest {
  std::string source;
  int32_t command;
  int32_t firstUnit, lastUnit;
  std::string varValues;
  THistoryFormat format;
};
struct HistoryLayoutResult {
  bool fileExists = false;  // false: the pending entry is dropped
  bool isTextCommand = false;  // false: the entry stays pending
  std::vector<THistLayoutPage> pages;
};
using HistoryLayoutFn = std::function<HistoryLayoutResult(const HistoryLayoutRequest&)>;

// Frozen VAR values as history entries and window records keep them: one name=value line each
// ("\r\n" or "\n" ends a line); lines without "=" are skipped.
std::vector<std::pair<std::string, std::string>> ParseFrozenVarValues(const std::string& lines);

// What the history call hands a message window. Simple form: the entries from `start` on, as
// references whose sources are all filled in. Laid-out form: the pieces covering the pixel range
// start..start+count of the whole history (sources filled in), and the first offset, the top of the
// first piece minus `start` (0 or negative: a start inside a piece shifts that piece up).
struct HistorySelection {
  bool laidOut = false;
  std::vector<THistoryOldData> references;
  TKuzoHistData pieces;
  int32_t firstOffset = 0;
};

class TKuzoNewHistory {
 public:
  void SetLayout(HistoryLayoutFn layout) { layout_ = std::move(layout); }

  // Called by a message window when it shows a page in read-mark mode 1.
  void RecordPending(const std::string& window, const std::string& source, const std::string& varValues,
                     int32_t page, int32_t lastUnit, int32_t firstUnit, int32_t command, int32_t areaWidth,
                     int32_t areaHeight, const THistoryFormat& format);
  // Called by a message window when it leaves its page.
  void CommitPending(const std::string& window);
  void Clear();

  // History pages (laid-out form) or entries (simple form).
  int32_t Count() const;
  // Total height of the laid-out history, or the entry count in the simple form.
  int32_t Extent() const;
  bool LaidOut() const { return word_.width != 0; }
  // The part of the history the history call shows: `start` and `count` are entries in the simple
  // form, pixel positions in the laid-out form; the caller has clamped them to the extent.
  HistorySelection Select(int32_t start, int32_t count) const;
  // At most this many pages or entries; zero or less: unlimited.
  int32_t MaxCount() const { return maxCount_; }
  void SetMaxCount(int32_t n);

  const std::vector<THistoryOldData>& Simple() const { return simple_; }
  const std::vector<TKuzoHistData>& Pages() const { return pages_; }
  const THistoryFormat& WordFormat() const { return word_; }
  bool HasPending() const { return !pending_.source.empty(); }

  void SaveToStream(ByteWriter& w) const;
  // Reads into a fresh store and swaps it in, so a damaged record leaves this one unchanged.
  void LoadFromStream(ByteReader& r, uint32_t version);

  // One piece list record (also the message data of a message window's saved record).
  static void SavePieces(ByteWriter& w, const TKuzoHistData& d);
  static TKuzoHistData LoadPieces(ByteReader& r, uint32_t version);

 private:
  void Trim();

  struct Pending {
    std::string window, source, varValues;
    int32_t command = 0, firstUnit = 0, lastUnit = -1, page = 0, areaWidth = 0, areaHeight = 0;
  };
  HistoryLayoutFn layout_;
  std::vector<THistoryOldData> simple_;
  std::vector<TKuzoHistData> pages_;
  Pending pending_;
  THistoryFormat word_;  // the history word's copy of the format
  int32_t maxCount_ = 0;
};

}  // namespace kuzo
