// Tokenizer for tagged text: blanks collapse, line breaks become blanks (or BR in preformatted
// text), backslash escapes, quoted runs, nested brackets and comment blocks.
#include "text/markup_scanner.h"

#include <cstdint>

#include "core/sjis.h"

namespace kuzo {
namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr char kTab = '\t';
constexpr char kSoftBlank = 0x14;
constexpr size_t kTabBlanks = 8;
constexpr size_t kMaxBlockNesting = 256;

struct BlockKind {
  std::string_view start;
  std::string_view end;
};
constexpr BlockKind kBlocks[] = {{"<!--", "-->"}, {"<SCRIPT", "</SCRIPT>"}, {"<STYLE", "</STYLE>"}};

bool StartsNoCase(std::string_view s, size_t pos, std::string_view prefix) {
  if (s.size() - pos < prefix.size()) return false;
  return sjis::EqualsNoCase(s.substr(pos, prefix.size()), prefix);
}

bool IsEscapable(char c) { return c == '%' || c == '<' || c == '>' || c == '\\' || c == '{' || c == '}'; }

class Scanner {
 public:
  explicit Scanner(std::string_view text) : s_(text) {}

  std::vector<MarkupToken> Run() {
    size_t i = 0;
    while (i < s_.size()) {
      char c = s_[i];
      if (depth_ == 0 && c == '<' && BlockAt(i) >= 0) {
        i = ReadBlock(i);
        continue;
      }
      if (c == '<') {
        if (depth_ == 0) EmitText();
        ++depth_;
        token_ += c;
        ++i;
        continue;
      }
      if (c == '>' && depth_ > 0) {
        token_ += c;
        ++i;
        if (--depth_ == 0) i = EndTag(i);
        continue;
      }
      if (c == '\\' && i + 1 < s_.size() && IsEscapable(s_[i + 1])) {
        token_ += s_[i + 1];
        i += 2;
        continue;
      }
      if (c == kCR) {
        if (Verbatim() && depth_ == 0) {
          EmitText();
          if (pre_) tokens_.push_back({"<BR>", false, true});
        } else if (!token_.empty() && !(i > 0 && s_[i - 1] == ' ')) {
          AddBlank();
        }
        ++i;
        continue;
      }
      if (c == kSoftBlank) {
        if (Verbatim() || token_.empty() || token_.back() != ' ') token_ += ' ';
        ++i;
        continue;
      }
      if (c == kTab) {
        if (Verbatim()) token_.append(kTabBlanks, ' ');
        ++i;
        continue;
      }
      if (c == '"') {
        token_ += c;
        ++i;
        while (i < s_.size()) {
          size_t len = sjis::CharLength(s_, i);
          char q = s_[i];
          if (len == 1 && (q == kCR || q == kLF || q == kTab)) {
            ++i;
            continue;
          }
          token_.append(s_.substr(i, len));
          i += len;
          if (len == 1 && q == '"') break;
        }
        continue;
      }
      if (c == ' ') {
        AddBlank();
        ++i;
        continue;
      }
      size_t len = sjis::CharLength(s_, i);
      token_.append(s_.substr(i, len));
      i += len;
    }
    if (!token_.empty()) tokens_.push_back({std::move(token_), false});
    return std::move(tokens_);
  }

 private:
  bool Verbatim() const { return pre_ || textArea_; }

  void AddBlank() {
    if (token_.empty() || token_.back() != ' ') token_ += ' ';
  }

  void EmitText() {
    if (!token_.empty()) tokens_.push_back({std::move(token_), false});
    token_.clear();
  }

  int BlockAt(size_t i) const {
    for (size_t k = 0; k < std::size(kBlocks); ++k) {
      if (StartsNoCase(s_, i, kBlocks[k].start)) return static_cast<int>(k);
    }
    return -1;
  }

  // Copies a block with its nested blocks as one token; CR becomes CR LF inside it.
  size_t ReadBlock(size_t i) {
    EmitText();
    std::vector<int> open;
    std::string block;
    while (i < s_.size()) {
      int k = s_[i] == '<' ? BlockAt(i) : -1;
      if (k >= 0 && open.size() < kMaxBlockNesting) {
        open.push_back(k);
        block.append(kBlocks[k].start);
        i += kBlocks[k].start.size();
        continue;
      }
      std::string_view end = kBlocks[open.back()].end;
      if (StartsNoCase(s_, i, end)) {
        block.append(s_.substr(i, end.size()));
        i += end.size();
        open.pop_back();
        if (open.empty()) break;
        continue;
      }
      size_t len = sjis::CharLength(s_, i);
      if (s_[i] == kCR) {
        block += "\r\n";
      } else {
        block.append(s_.substr(i, len));
      }
      i += len;
    }
    tokens_.push_back({std::move(block), true});
    return i;
  }

  // A tag token is complete: emit it and switch the preformatted and text-area modes.
  size_t EndTag(size_t i) {
    std::string tag = std::move(token_);
    token_.clear();
    bool endPre = StartsNoCase(tag, 0, "</PRE");
    bool endArea = StartsNoCase(tag, 0, "</TEXTAREA");
    if ((endPre || endArea) && !tokens_.empty() && tokens_.back().Tag &&
        sjis::EqualsNoCase(tokens_.back().Text, "<BR>")) {
      tokens_.pop_back();
    }
    bool skipCR = false;
    if (endPre) {
      pre_ = false;
    } else if (endArea) {
      textArea_ = false;
    } else if (StartsNoCase(tag, 0, "<PRE") && !textArea_) {
      pre_ = true;
      skipCR = true;
    } else if (StartsNoCase(tag, 0, "<TEXTAREA")) {
      textArea_ = true;
      skipCR = true;
    }
    tokens_.push_back({std::move(tag), false, true});
    if (skipCR && i < s_.size() && s_[i] == kCR) ++i;
    return i;
  }

  std::string_view s_;
  std::vector<MarkupToken> tokens_;
  std::string token_;
  size_t depth_ = 0;
  bool pre_ = false;
  bool textArea_ = false;
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && static_cast<uint8_t>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<uint8_t>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

std::vector<MarkupToken> ScanMarkup(std::string_view text) { return Scanner(text).Run(); }

const MarkupTag::Attribute* MarkupTag::Find(std::string_view name) const {
  for (const auto& a : Attributes) {
    if (a.Name == name) return &a;
  }
  return nullptr;
}

MarkupTag ParseTag(std::string_view token) {
  MarkupTag tag;
  std::string_view body = Trim(token.substr(1, token.size() - 2));
  size_t i = 0;
  auto wordEnd = [&](size_t from) {
    size_t j = from;
    while (j < body.size() && body[j] != ' ' && body[j] != '=' && body[j] != kCR && body[j] != kLF) j += sjis::CharLength(body, j);
    return j;
  };
  size_t end = wordEnd(0);
  tag.Name = sjis::ToUpper(body.substr(0, end));
  i = end;
  while (i < body.size()) {
    while (i < body.size() && static_cast<uint8_t>(body[i]) <= ' ') ++i;
    if (i >= body.size()) break;
    size_t nameEnd = wordEnd(i);
    if (nameEnd == i) {  // a stray "=": skip it
      ++i;
      continue;
    }
    MarkupTag::Attribute attr;
    attr.Name = sjis::ToUpper(body.substr(i, nameEnd - i));
    i = nameEnd;
    if (i < body.size() && body[i] == '=') {
      ++i;
      attr.HasValue = true;
      if (i < body.size() && (body[i] == '"' || body[i] == '\'')) {
        char quote = body[i++];
        size_t close = sjis::FindChar(body, quote, i);
        if (close == std::string_view::npos) {
          size_t j = i;
          while (j < body.size() && body[j] != ' ') j += sjis::CharLength(body, j);
          attr.Value = std::string(body.substr(i, j - i));
          i = j;
        } else {
          attr.Value = std::string(body.substr(i, close - i));
          i = close + 1;
        }
      } else {
        size_t j = i;
        while (j < body.size() && body[j] != ' ') j += sjis::CharLength(body, j);
        attr.Value = std::string(body.substr(i, j - i));
        i = j;
      }
    }
    tag.Attributes.push_back(std::move(attr));
  }
  return tag;
}

}  // namespace kuzo
