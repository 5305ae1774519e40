// The common base of all script commands: the record header every command carries, the record
// fields of each type (described by a per-type layout so loading, writing, dumping and building
// share one definition), and the virtual operations the interpreter drives.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_reader.h"
#include "scene/component_kinds.h"
#include "script/expr.h"

namespace kuzo {

class TPage;
class TCallMan;

constexpr int kCommandTypeCount = 61;  // type codes 0..60
constexpr uint8_t kMaxCommandType = 60;

enum class FieldKind : uint8_t {
  Expr,      // compiled expression
  String,    // u32 length + bytes
  S32,       // signed 32-bit
  Byte,      // one byte
  ExprList,  // u32 count + that many expressions
  Blob,      // u32 length + raw bytes (a stored glyph list)
};

struct FieldSpec {
  FieldKind kind;
  const char* name;          // the field's word in dumps and in title sources
  uint32_t presentAbove = 0; // the field is in the record only when the page version exceeds this
};

// One record field's value; which member is used depends on the kind.
struct Field {
  Expr expr;
  std::string text;        // String, Blob
  int32_t number = 0;      // S32, Byte
  std::vector<Expr> list;  // ExprList
};

struct CommandInfo {
  uint8_t code;
  const char* className;  // "TComIf"
  const char* keyword;    // word of the title-source language ("if")
  bool createsComponent;  // the record starts with the property expressions of the page's mask
  std::vector<FieldSpec> fields;
  int32_t createdKind = LT_NONE;  // the component kind a creating command makes (LT_NONE: none)
};

// The record layout and names of a type code (0..60).
const CommandInfo& CommandInfoOf(uint8_t code);
// The type code whose source keyword is `word` (ASCII case-insensitive), or -1.
int CommandCodeOfKeyword(std::string_view word);

// Running-state signature: "kuzo" + three decimal digits.
constexpr std::string_view kStateSignature = "kuzo";
constexpr int kStateVersion = 100;
void WriteStateSignature(ByteWriter& w);
// Reads the signature and answers its version; when the next bytes are not a signature the version
// is 0 and nothing is consumed.
int ReadStateVersion(ByteReader& r);

class TCommand {
 public:
  TCommand(TPage* page, uint8_t code);
  virtual ~TCommand() = default;
  TCommand(const TCommand&) = delete;
  TCommand& operator=(const TCommand&) = delete;

  uint8_t TypeCode() const { return code_; }
  const CommandInfo& Info() const { return CommandInfoOf(code_); }
  TPage* Page() const { return page_; }

  virtual bool RunsOn() const { return runOn != 0; }
  virtual bool IsSkipped() const { return skip != 0; }
  virtual void SetSkipped(bool s) { skip = s ? 1 : 0; }
  // While this command is in progress no event handler may start.
  virtual bool BlocksEvents() const { return false; }
  virtual bool IsLabel(std::string_view name) const { return false; }

  // Header, then the type's fields; `version` is the page version.
  virtual void Load(ByteReader& r, uint32_t version);
  virtual void Write(ByteWriter& w, uint32_t version) const;

  virtual void Begin(TCallMan& cm) {}
  // Runs on every visit; the default advances the program counter.
  virtual void Execute(TCallMan& cm);
  virtual void SaveState(ByteWriter& w) const {}
  virtual void LoadState(ByteReader& r) {}
  // Abandoned while in progress by a full reset.
  virtual void Abort(TCallMan& cm) {}
  // While executing this command, nested event handlers may start.
  virtual bool IsEventPoint() const { return false; }

  // Header fields.
  int32_t depth = 0;
  uint8_t skip = 0;
  uint8_t runOn = 1;
  int32_t line = 0;
  // The type's fields in record order (CommandInfo::fields); absent version-gated fields stay
  // default-valued.
  std::vector<Field> fields;

 protected:
  void LoadFields(ByteReader& r, uint32_t version);
  void WriteFields(ByteWriter& w, uint32_t version) const;
  Expr& ExprField(size_t i) { return fields[i].expr; }

 private:
  TPage* page_;
  uint8_t code_;
};

// Creates the command class of a type code; a code above 60 raises "不正なコマンド".
std::unique_ptr<TCommand> CreateCommand(TPage* page, uint8_t code);

}  // namespace kuzo
