// A script page: one compiled ".ksb" file, an ordered list of command records plus the per-type
// property masks that size the component-creating records. Loaded through the game files,
// written by the title builder.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_reader.h"
#include "script/command.h"

namespace kuzo {

struct ScriptServices;

constexpr uint32_t kPageVersionMin = 103;  // older pages must be rebuilt
constexpr uint32_t kPageVersionMax = 110;
constexpr uint32_t kPageVersionNewest = 110;
constexpr int kMaskRowBytes = 21;           // 168 bits: one per property id 0..161
constexpr uint8_t kDefaultResultType = 1;   // integer
// The prefix of the variable a page may own: byte 0x01 followed by the page name.
constexpr char kPageVariablePrefix = '\x01';

class TPage {
 public:
  // `services` may be null for pages that are only read or written (tools, tests); then the page
  // owns no variable and shows no dialog.
  explicit TPage(ScriptServices* services = nullptr);
  ~TPage();
  TPage(const TPage&) = delete;
  TPage& operator=(const TPage&) = delete;

  // Reads the named page through the game files and parses it.
  void Load(const std::string& name);
  // Parses page bytes. Raises FormatError for a truncated record and KuzoError "不正なコマンド"
  // for an unknown type code; a page above the newest version stays empty; a page below the
  // oldest readable one stays empty, ends the player and asks for a rebuild.
  void Parse(const std::string& name, std::string_view bytes);
  // The page in file form (newest layout for its version).
  void Write(ByteWriter& w) const;

  // Index of the first label command named exactly `name`, or -1.
  int FindLabel(std::string_view name) const;
  int IndexOf(const TCommand* cmd) const;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  uint32_t Version() const { return version_; }
  void SetVersion(uint32_t v) { version_ = v; }
  uint8_t ResultType() const { return resultType_; }
  void SetResultType(uint8_t t) { resultType_ = t; }
  bool MaskBit(uint8_t type, int prop) const;
  void SetMaskBit(uint8_t type, int prop, bool on);

  int Count() const { return static_cast<int>(commands_.size()); }
  TCommand& At(int i) const { return *commands_[static_cast<size_t>(i)]; }
  // Appends a new command of that type (the builder's way in).
  TCommand& Append(uint8_t type);
  ScriptServices* Services() const { return services_; }

 private:
  ScriptServices* services_;
  std::string name_;
  uint32_t version_ = kPageVersionNewest;
  uint8_t resultType_ = kDefaultResultType;
  std::array<uint8_t, kCommandTypeCount * kMaskRowBytes> masks_{};
  std::vector<std::unique_ptr<TCommand>> commands_;
};

}  // namespace kuzo
