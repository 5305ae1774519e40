// Page loading with its version gates and the property-mask table; page writing for the builder.
#include "script/page.h"

#include "core/errors.h"
#include "script/script_services.h"
#include "script/variable_access.h"

namespace kuzo {
namespace {

constexpr size_t kCommandHeaderBytes = 1 + 4 + 1 + 1 + 4;  // type code, depth, skip, run-on, line
constexpr const char* kRebuildMessage = "リビルドしてください";

}  // namespace

TPage::TPage(ScriptServices* services) : services_(services) {}

TPage::~TPage() {
  if (services_ && services_->vars && !name_.empty()) {
    try {
      DeleteVariable(*services_->vars, std::string(1, kPageVariablePrefix) + name_);
    } catch (...) {
      // freeing a page never fails
    }
  }
}

void TPage::Load(const std::string& name) {
  if (!services_ || !services_->files) throw KuzoError(Format("%s:ファイルがありません", name.c_str()));
  const std::string bytes = services_->files->ReadFile(name);
  Parse(name, bytes);
}

void TPage::Parse(const std::string& name, std::string_view bytes) {
  commands_.clear();
  name_ = name;
  masks_.fill(0);
  ByteReader r(bytes, name);
  const uint32_t version = r.U32("page version");
  if (version > kPageVersionMax) return;  // unknown newer page: stays empty, executing it returns
  if (version < kPageVersionMin) {
    if (services_ && services_->host) services_->host->terminateRequested = true;
    if (services_ && services_->game) services_->game->ShowWarning(name + "\r\n" + kRebuildMessage);
    if (services_ && services_->game) services_->game->PostClose();
    return;
  }
  version_ = version;
  resultType_ = r.U8("page result type");

  const uint32_t maskCount = r.U32("property mask count");
  const uint32_t entrySize = r.U32("property mask entry size");
  // Bound the whole mask block by the bytes left before touching it (entry size 0 is legal).
  const uint64_t maskBytes = static_cast<uint64_t>(maskCount) * entrySize;
  if (maskBytes > r.Remaining())
    r.Fail("property masks",
           Format("%u entries of %u bytes exceed %zu bytes left", maskCount, entrySize, r.Remaining()));
  const uint32_t rows = maskCount < kCommandTypeCount ? maskCount : kCommandTypeCount;
  const size_t used = entrySize < kMaskRowBytes ? entrySize : kMaskRowBytes;
  for (uint32_t k = 0; k < rows; ++k) {
    r.Read(&masks_[k * kMaskRowBytes], used, "property mask");
    r.Skip(entrySize - used, "property mask tail");
  }
  r.Skip(static_cast<size_t>(maskCount - rows) * entrySize, "property masks beyond the command types");

  const uint32_t count = r.Count(kCommandHeaderBytes, "command count");
  commands_.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t type = r.U8("command type");
    auto cmd = CreateCommand(this, type);
    cmd->Load(r, version_);
    commands_.push_back(std::move(cmd));
  }
}

void TPage::Write(ByteWriter& w) const {
  w.U32(version_);
  w.U8(resultType_);
  w.U32(kCommandTypeCount);
  w.U32(kMaskRowBytes);
  w.Bytes(masks_.data(), masks_.size());
  w.U32(static_cast<uint32_t>(commands_.size()));
  for (const auto& c : commands_) {
    w.U8(c->TypeCode());
    c->Write(w, version_);
  }
}

int TPage::FindLabel(std::string_view name) const {
  for (size_t i = 0; i < commands_.size(); ++i)
    if (commands_[i]->IsLabel(name)) return static_cast<int>(i);
  return -1;
}

int TPage::IndexOf(const TCommand* cmd) const {
  for (size_t i = 0; i < commands_.size(); ++i)
    if (commands_[i].get() == cmd) return static_cast<int>(i);
  return -1;
}

bool TPage::MaskBit(uint8_t type, int prop) const {
  if (type > kMaxCommandType || prop < 0 || prop >= kMaskRowBytes * 8) return false;
  return (masks_[type * kMaskRowBytes + prop / 8] >> (prop % 8)) & 1;
}

void TPage::SetMaskBit(uint8_t type, int prop, bool on) {
  if (type > kMaxCommandType || prop < 0 || prop >= kMaskRowBytes * 8) return;
  uint8_t& b = masks_[type * kMaskRowBytes + prop / 8];
  const uint8_t bit = static_cast<uint8_t>(1u << (prop % 8));
  b = on ? (b | bit) : (b & ~bit);
}

TCommand& TPage::Append(uint8_t type) {
  commands_.push_back(CreateCommand(this, type));
  return *commands_.back();
}

}  // namespace kuzo
