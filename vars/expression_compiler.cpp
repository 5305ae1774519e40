// Expression compiler: rewrites the text piece by piece into temporaries, emitting operations in
// evaluation order, then removes temporary-to-temporary copies and encodes the list.
#include "vars/expression_compiler.h"

#include <array>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "core/sjis.h"
#include "vars/expression.h"
#include "vars/float80.h"
#include "vars/param_convert.h"
#include "vars/sys_func_man.h"

namespace kuzo {

namespace {

constexpr const char* kSyntaxError = "構文エラー";
constexpr const char* kBadIndexList = "配列の添え字が不正です";
constexpr const char* kUnknownFunction = "\"%s\" 関数名がありません";
constexpr const char* kBadArgCount = " 引数の数が不正です";

constexpr std::string_view kOperatorChars = "+-*/%|&^=[](),<>";
constexpr std::array<std::string_view, 7> kTwoCharOperators = {"==", ">=", "<=", "++", "<>", "<<", ">>"};
// A "+" or "-" after a token beginning with one of these is a sign.
constexpr std::string_view kUnaryPredecessors = "=+-*/%&^|[(,<>";
// A two-operand operator may not follow a token beginning with one of these.
constexpr std::string_view kBadLeftOperand = "+-*/%|&^=[(<>";

struct OperatorInfo {
  std::string_view text;
  int level;  // 1 binds tightest, 9 is assignment
  uint8_t code;
};
constexpr std::array<OperatorInfo, 19> kOperators = {{
    {"*", 1, ocMul}, {"/", 1, ocDiv}, {"%", 1, ocMod},
    {"+", 2, ocPlus}, {"-", 2, ocMinus},
    {"<<", 3, ocShiftL}, {">>", 3, ocShiftR},
    {"==", 4, ocEqual}, {">=", 4, ocEBig}, {"<=", 4, ocESmall}, {">", 4, ocBig}, {"<", 4, ocSmall},
    {"<>", 4, ocNEqual},
    {"++", 5, ocComboStr}, {"&", 6, ocAnd}, {"^", 7, ocXor}, {"|", 8, ocOr}, {"=", 9, ocTo},
    {"", 0, 0},
}};
constexpr int kLowestLevel = 9;

const OperatorInfo* FindOperator(std::string_view token) {
  for (const auto& op : kOperators) {
    if (op.level && op.text == token) return &op;
  }
  return nullptr;
}

bool IsOperatorChar(char c) { return kOperatorChars.find(c) != std::string_view::npos; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsIdentChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool StartsWithAny(std::string_view token, std::string_view set) {
  return !token.empty() && set.find(token[0]) != std::string_view::npos;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<uint8_t>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<uint8_t>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

// Byte offsets where the characters of `s` start (a double-byte character is one character).
std::vector<size_t> CharStarts(std::string_view s) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < s.size(); i += sjis::CharLength(s, i)) starts.push_back(i);
  return starts;
}

// A single-byte character equal to `c` at character index k.
bool CharIs(std::string_view s, const std::vector<size_t>& starts, size_t k, char c) {
  size_t p = starts[k];
  return sjis::CharLength(s, p) == 1 && s[p] == c;
}
bool CharIsOperator(std::string_view s, const std::vector<size_t>& starts, size_t k) {
  size_t p = starts[k];
  return sjis::CharLength(s, p) == 1 && IsOperatorChar(s[p]);
}
bool CharIsBlank(std::string_view s, const std::vector<size_t>& starts, size_t k) {
  size_t p = starts[k];
  return sjis::CharLength(s, p) == 1 && IsBlank(s[p]);
}
bool CharIsIdent(std::string_view s, const std::vector<size_t>& starts, size_t k) {
  size_t p = starts[k];
  return sjis::CharLength(s, p) == 1 && IsIdentChar(s[p]);
}

bool ContainsOperatorChar(std::string_view s) {
  std::vector<size_t> starts = CharStarts(s);
  for (size_t k = 0; k < starts.size(); ++k) {
    if (CharIsOperator(s, starts, k)) return true;
  }
  return false;
}

// Character index of the nearest non-blank character before character k, or -1.
long PrevNonBlank(std::string_view s, const std::vector<size_t>& starts, size_t k) {
  long q = static_cast<long>(k) - 1;
  while (q >= 0 && CharIsBlank(s, starts, static_cast<size_t>(q))) --q;
  return q;
}

}  // namespace

class TBuildKuzoParser::Compilation {
 public:
  explicit Compilation(TBuildKuzoParser& owner) : owner_(owner) {}

  void Run(std::string text) {
    ExtractLiterals(text);
    while (ReplaceLastCall(text)) {
    }
    while (ReplaceLastElement(text)) {
    }
    while (ReplaceLastGroup(text)) {
    }
    Reduce(text);
  }

 private:
  std::string NewTemp() { return Format("____%d", owner_.tempCounter_++); }
  std::string NewElementTemp() { return Format("____d_%d", owner_.tempCounter_++); }
  void Emit(uint8_t code, std::string dest, std::vector<std::string> operands) {
    owner_.ops_.push_back(TBuildOpeData{code, std::move(dest), std::move(operands)});
  }

  // Step 1: each string literal becomes a temporary assigned from the literal (escapes resolved).
  void ExtractLiterals(std::string& text) {
    for (;;) {
      size_t open = sjis::FindChar(text, '"');
      if (open == std::string::npos) return;
      std::string resolved;
      size_t j = open + 1;
      size_t close = std::string::npos;
      while (j < text.size()) {
        size_t n = sjis::CharLength(text, j);
        char c = text[j];
        if (n == 1 && c == '\\' && j + 1 < text.size()) {
          char next = text[j + 1];
          if (next == '"' || next == '\\') {
            resolved += next;
            j += 2;
            continue;
          }
          if (next == 'n') {
            resolved += "\r\n";
            j += 2;
            continue;
          }
          resolved += '\\';  // any other backslash stays
          j += 1;
          continue;
        }
        if (n == 1 && c == '"') {
          close = j;
          break;
        }
        resolved.append(text, j, n);
        j += n;
      }
      if (close == std::string::npos) return;  // unclosed: not a literal
      std::string temp = NewTemp();
      Emit(ocTo, temp, {"\"" + resolved + "\""});
      text = text.substr(0, open) + temp + text.substr(close + 1);
    }
  }

  // Matching pairs of all parentheses (character indices); raises on any imbalance.
  static std::vector<long> MatchParentheses(std::string_view text, const std::vector<size_t>& starts) {
    std::vector<long> match(starts.size(), -1);
    std::vector<size_t> stack;
    for (size_t k = 0; k < starts.size(); ++k) {
      if (CharIs(text, starts, k, '(')) {
        stack.push_back(k);
      } else if (CharIs(text, starts, k, ')')) {
        if (stack.empty()) throw KuzoError(kSyntaxError);
        match[stack.back()] = static_cast<long>(k);
        stack.pop_back();
      }
    }
    if (!stack.empty()) throw KuzoError(kSyntaxError);
    return match;
  }

  // An argument or index: redundant outer parentheses dropped; text with operators is compiled
  // into a temporary of its own.
  std::string Operand(std::string arg) {
    arg = StripRedundantParentheses(arg);
    if (arg.empty()) return arg;
    if (!ContainsOperatorChar(arg)) return arg;
    std::string temp = NewTemp();
    Run(temp + " = " + arg);
    return temp;
  }

  static std::string StripRedundantParentheses(std::string arg) {
    for (;;) {
      if (arg.size() < 2 || arg.front() != '(' || arg.back() != ')') return arg;
      std::vector<size_t> starts = CharStarts(arg);
      int depth = 0;
      size_t closesAt = std::string::npos;
      for (size_t k = 0; k < starts.size(); ++k) {
        if (CharIs(arg, starts, k, '(')) ++depth;
        if (CharIs(arg, starts, k, ')') && --depth == 0) {
          closesAt = k;
          break;
        }
      }
      if (closesAt != starts.size() - 1) return arg;
      arg = Trim(std::string_view(arg).substr(1, arg.size() - 2));
    }
  }

  // Splits at commas outside square brackets when `bracketAware`, else at every comma.
  static std::vector<std::string> SplitArguments(std::string_view inner, bool bracketAware) {
    std::vector<std::string> parts;
    std::vector<size_t> starts = CharStarts(inner);
    int depth = 0;
    size_t from = 0;
    for (size_t k = 0; k < starts.size(); ++k) {
      if (bracketAware && CharIs(inner, starts, k, '[')) ++depth;
      if (bracketAware && CharIs(inner, starts, k, ']') && --depth < 0) throw KuzoError(kSyntaxError);
      if (depth == 0 && CharIs(inner, starts, k, ',')) {
        parts.push_back(Trim(inner.substr(from, starts[k] - from)));
        from = starts[k] + 1;
      }
    }
    if (depth != 0) throw KuzoError(kSyntaxError);
    parts.push_back(Trim(inner.substr(from)));
    return parts;
  }

  // Step 2: the last call (an identifier before "(") becomes a temporary holding its result.
  bool ReplaceLastCall(std::string& text) {
    std::vector<size_t> starts = CharStarts(text);
    std::vector<long> match = MatchParentheses(text, starts);
    for (long k = static_cast<long>(starts.size()) - 1; k >= 0; --k) {
      if (!CharIs(text, starts, static_cast<size_t>(k), '(')) continue;
      long q = PrevNonBlank(text, starts, static_cast<size_t>(k));
      if (q < 0 || !CharIsIdent(text, starts, static_cast<size_t>(q))) continue;
      long nameStart = q;
      while (nameStart > 0 && CharIsIdent(text, starts, static_cast<size_t>(nameStart - 1))) --nameStart;
      size_t nameBegin = starts[static_cast<size_t>(nameStart)];
      std::string name = text.substr(nameBegin, starts[static_cast<size_t>(q)] + 1 - nameBegin);
      size_t openByte = starts[static_cast<size_t>(k)];
      size_t closeByte = starts[static_cast<size_t>(match[static_cast<size_t>(k)])];
      std::string inner = text.substr(openByte + 1, closeByte - openByte - 1);

      std::string dest = NewTemp();
      std::vector<std::string> operands{name};
      if (!Trim(inner).empty()) {
        for (std::string& arg : SplitArguments(inner, true)) operands.push_back(Operand(std::move(arg)));
      }
      Emit(ocFunc, dest, std::move(operands));
      text = text.substr(0, nameBegin) + dest + text.substr(closeByte + 1);
      return true;
    }
    return false;
  }

  // Step 3: the last array element "name[i, j]" becomes an element reference temporary.
  bool ReplaceLastElement(std::string& text) {
    std::vector<size_t> starts = CharStarts(text);
    long open = -1;
    for (long k = static_cast<long>(starts.size()) - 1; k >= 0; --k) {
      if (CharIs(text, starts, static_cast<size_t>(k), '[')) {
        open = k;
        break;
      }
    }
    if (open < 0) return false;
    long close = -1;
    for (size_t k = static_cast<size_t>(open) + 1; k < starts.size(); ++k) {
      if (CharIs(text, starts, k, ']')) {
        close = static_cast<long>(k);
        break;
      }
    }
    if (close < 0) throw KuzoError(kSyntaxError);
    long q = PrevNonBlank(text, starts, static_cast<size_t>(open));
    if (q >= 0 && CharIsOperator(text, starts, static_cast<size_t>(q))) throw KuzoError(kSyntaxError);
    long nameStart = q + 1;
    while (nameStart > 0 && !CharIsBlank(text, starts, static_cast<size_t>(nameStart - 1)) &&
           !CharIsOperator(text, starts, static_cast<size_t>(nameStart - 1))) {
      --nameStart;
    }
    size_t nameBegin = nameStart < static_cast<long>(starts.size()) ? starts[static_cast<size_t>(nameStart)] : text.size();
    size_t nameEnd = q >= 0 ? starts[static_cast<size_t>(q)] + sjis::CharLength(text, starts[static_cast<size_t>(q)]) : 0;
    if (q < 0) nameBegin = nameEnd = starts[static_cast<size_t>(open)];
    std::string name = text.substr(nameBegin, nameEnd - nameBegin);
    size_t openByte = starts[static_cast<size_t>(open)];
    size_t closeByte = starts[static_cast<size_t>(close)];
    std::string inner = text.substr(openByte + 1, closeByte - openByte - 1);
    if (Trim(inner).empty()) throw KuzoError(kBadIndexList);

    std::string dest = NewElementTemp();
    std::vector<std::string> operands{name};
    for (std::string& index : SplitArguments(inner, false)) operands.push_back(Operand(std::move(index)));
    Emit(ocDimTo, dest, std::move(operands));
    text = text.substr(0, nameBegin) + dest + text.substr(closeByte + 1);
    return true;
  }

  // Step 4: the last parenthesised group becomes a temporary assigned from its contents.
  bool ReplaceLastGroup(std::string& text) {
    std::vector<size_t> starts = CharStarts(text);
    std::vector<long> match = MatchParentheses(text, starts);
    for (long k = static_cast<long>(starts.size()) - 1; k >= 0; --k) {
      if (!CharIs(text, starts, static_cast<size_t>(k), '(')) continue;
      long q = PrevNonBlank(text, starts, static_cast<size_t>(k));
      if (q >= 0 && CharIsIdent(text, starts, static_cast<size_t>(q))) continue;
      size_t openByte = starts[static_cast<size_t>(k)];
      size_t closeByte = starts[static_cast<size_t>(match[static_cast<size_t>(k)])];
      std::string inner = text.substr(openByte + 1, closeByte - openByte - 1);
      std::string temp = NewTemp();
      Run(temp + " = " + inner);
      text = text.substr(0, openByte) + temp + text.substr(closeByte + 1);
      return true;
    }
    return false;
  }

  // Step 5: operator and operand tokens.
  static std::vector<std::string> Tokenise(std::string_view text) {
    std::vector<std::string> tokens;
    std::vector<size_t> starts = CharStarts(text);
    size_t pieceStart = 0;
    auto flush = [&](size_t end) {
      std::string piece = Trim(text.substr(pieceStart, end - pieceStart));
      if (!piece.empty()) tokens.push_back(std::move(piece));
    };
    for (size_t k = 0; k < starts.size(); ++k) {
      if (!CharIsOperator(text, starts, k)) continue;
      size_t p = starts[k];
      flush(p);
      size_t len = 1;
      if (p + 1 < text.size()) {
        std::string_view two = text.substr(p, 2);
        for (auto op : kTwoCharOperators) {
          if (two == op) len = 2;
        }
      }
      tokens.emplace_back(text.substr(p, len));
      if (len == 2) ++k;
      pieceStart = p + len;
    }
    flush(text.size());
    return tokens;
  }

  // Steps 5-7: signs, then operators by precedence, leftmost first within a level.
  void Reduce(const std::string& text) {
    std::vector<std::string> tokens = Tokenise(text);
    if (tokens.empty()) {
      Emit(ocTo, std::string(kArgTemp), {text});
      return;
    }
    for (long k = static_cast<long>(tokens.size()) - 2; k >= 1; --k) {
      const std::string& t = tokens[static_cast<size_t>(k)];
      if ((t != "+" && t != "-") || !StartsWithAny(tokens[static_cast<size_t>(k - 1)], kUnaryPredecessors)) continue;
      if (t == "-") {
        std::string temp = NewTemp();
        Emit(ocMinus, temp, {"0", tokens[static_cast<size_t>(k + 1)]});
        tokens[static_cast<size_t>(k + 1)] = temp;
      }
      tokens.erase(tokens.begin() + k);
    }
    bool assigned = false;
    for (;;) {
      const OperatorInfo* best = nullptr;
      size_t at = 0;
      for (size_t i = 0; i < tokens.size(); ++i) {
        const OperatorInfo* op = FindOperator(tokens[i]);
        if (op && (!best || op->level < best->level)) {
          best = op;
          at = i;
        }
      }
      if (!best) {
        if ((assigned && !tokens.empty()) || tokens.size() > 1) throw KuzoError(kSyntaxError);
        if (tokens.size() == 1) Emit(ocTo, std::string(kArgTemp), {tokens[0]});
        return;
      }
      if (best->level == kLowestLevel) {
        if (at == 0 || at + 1 >= tokens.size()) throw KuzoError(kSyntaxError);
        Emit(ocTo, tokens[at - 1], {tokens[at + 1]});
        tokens.erase(tokens.begin() + static_cast<long>(at) - 1, tokens.begin() + static_cast<long>(at) + 2);
        assigned = true;
      } else if (at > 0) {
        if (StartsWithAny(tokens[at - 1], kBadLeftOperand) || at + 1 >= tokens.size()) {
          throw KuzoError(kSyntaxError);
        }
        std::string temp = NewTemp();
        Emit(best->code, temp, {tokens[at - 1], tokens[at + 1]});
        tokens[at - 1] = temp;
        tokens.erase(tokens.begin() + static_cast<long>(at), tokens.begin() + static_cast<long>(at) + 2);
      } else {
        if ((best->code != ocPlus && best->code != ocMinus) || tokens.size() < 2) throw KuzoError(kSyntaxError);
        std::string temp = NewTemp();
        Emit(best->code, temp, {"0", tokens[1]});
        tokens[0] = temp;
        tokens.erase(tokens.begin() + 1);
      }
    }
  }

  TBuildKuzoParser& owner_;
};

namespace {

bool IsPlainTemp(std::string_view name) {
  return name.starts_with(kTempPrefix) && !name.starts_with(kElementTempPrefix) && name != kArgTemp;
}

// Step 8: a copy from one plain temporary into another is removed by renaming the destination.
void PropagateCopies(std::vector<TBuildOpeData>& ops) {
  for (size_t i = 0; i < ops.size();) {
    TBuildOpeData& op = ops[i];
    if (op.OpCode != ocTo || op.Operands.empty() || !IsPlainTemp(op.Dest) || !IsPlainTemp(op.Operands[0])) {
      ++i;
      continue;
    }
    std::string from = op.Dest, to = op.Operands[0];
    for (size_t j = i + 1; j < ops.size(); ++j) {
      if (ops[j].Dest == from) ops[j].Dest = to;
      for (auto& operand : ops[j].Operands) {
        if (operand == from) operand = to;
      }
    }
    ops.erase(ops.begin() + static_cast<long>(i));
  }
}

void WriteOperand(ByteWriter& w, const std::string& token) {
  int32_t i = 0;
  long double f = 0;
  if (ParseInteger(token, i)) {
    w.U8(okInt);
    w.I32(i);
  } else if (ParseFloat(token, f)) {
    w.U8(okFloat);
    WriteFloat80(w, f);
  } else if (token == kTrueText || token == kFalseText) {
    w.U8(okFlag);
    w.U8(token == kTrueText ? 1 : 0);
  } else if (token.size() >= 2 && token.front() == '"' && token.back() == '"') {
    w.U8(okStr);
    w.String(std::string_view(token).substr(1, token.size() - 2));
  } else {
    w.U8(okName);
    w.String(token);
  }
}

}  // namespace

void TBuildKuzoParser::Compile(std::string_view text) {
  size_t first = ops_.size();
  Compilation(*this).Run(std::string(text));
  std::vector<TBuildOpeData> added(ops_.begin() + static_cast<long>(first), ops_.end());
  PropagateCopies(added);
  ops_.resize(first);
  ops_.insert(ops_.end(), added.begin(), added.end());
}

void TBuildKuzoParser::WriteTo(ByteWriter& w) const {
  w.U32(static_cast<uint32_t>(ops_.size()));
  for (const auto& op : ops_) {
    w.U8(op.OpCode);
    w.String(op.Dest);
    size_t firstOperand = 0;
    int function = -1;
    if (op.OpCode == ocFunc) {
      const std::string name = op.Operands.empty() ? std::string() : op.Operands[0];
      function = TSysFuncMan::FindFunction(name);
      if (function < 0) throw KuzoError(Format(kUnknownFunction, name.c_str()));
      const TSysFuncInfo& info = TSysFuncMan::Info(function);
      int args = static_cast<int>(op.Operands.size()) - 1;
      if (args < info.minArgs || (info.maxArgs != kNoMaxArgs && args > info.maxArgs)) {
        throw KuzoError(name + kBadArgCount);
      }
      firstOperand = 1;
    }
    w.U32(static_cast<uint32_t>(op.Operands.size() - firstOperand));
    if (op.OpCode == ocFunc) w.U8(static_cast<uint8_t>(function));
    for (size_t i = firstOperand; i < op.Operands.size(); ++i) WriteOperand(w, op.Operands[i]);
  }
}

std::string TBuildKuzoParser::Encode(std::string_view text) {
  TBuildKuzoParser parser;
  parser.Compile(text);
  ByteWriter w;
  parser.WriteTo(w);
  return w.Take();
}

}  // namespace kuzo
