// Scene command records and their dispatch to the component host.
#include "script/scene_commands.h"

#include "script/call_man.h"
#include "script/page.h"
#include "script/script_services.h"

namespace kuzo {
namespace {
constexpr int kPropertyIds = 162;  // property ids 0..161
}  // namespace

ComponentCommandHost* TComSceneCommand::Host() const {
  ScriptServices* s = Page() ? Page()->Services() : nullptr;
  return s ? s->components : nullptr;
}

void TComSceneCommand::Load(ByteReader& r, uint32_t version) {
  depth = r.I32("command depth");
  skip = r.U8("command skip flag");
  runOn = r.U8("command run-on flag");
  line = r.I32("command line");
  props.clear();
  if (Info().createsComponent) {
    for (int p = 0; p < kPropertyIds; ++p) {
      if (!Page()->MaskBit(TypeCode(), p)) continue;
      props.emplace_back(static_cast<uint8_t>(p), Expr());
      props.back().second.Read(r);
    }
  }
  LoadFields(r, version);
}

void TComSceneCommand::Write(ByteWriter& w, uint32_t version) const {
  w.I32(depth);
  w.U8(skip);
  w.U8(runOn);
  w.I32(line);
  if (Info().createsComponent) {
    // One expression per mask bit; a property the record does not give is an empty expression.
    static const Expr kEmpty;
    size_t k = 0;
    for (int p = 0; p < kPropertyIds; ++p) {
      if (!Page()->MaskBit(TypeCode(), p)) continue;
      while (k < props.size() && props[k].first < p) ++k;
      if (k < props.size() && props[k].first == p)
        props[k].second.Write(w);
      else
        kEmpty.Write(w);
    }
  }
  WriteFields(w, version);
}

Expr* TComSceneCommand::PropExpr(int id) {
  for (auto& [p, e] : props)
    if (p == id) return &e;
  return nullptr;
}

void TComSceneCommand::Begin(TCallMan& cm) {
  if (auto* h = Host()) h->Begin(*this, cm);
}

void TComSceneCommand::Execute(TCallMan& cm) {
  if (auto* h = Host())
    h->Execute(*this, cm);
  else
    cm.pc += 1;
}

void TComSceneCommand::Abort(TCallMan& cm) {
  if (auto* h = Host()) h->Abort(*this, cm);
}

void TComSceneCommand::SaveState(ByteWriter& w) const {
  if (auto* h = Host()) h->SaveState(*this, w);
}

void TComSceneCommand::LoadState(ByteReader& r) {
  if (auto* h = Host()) h->LoadState(*this, r);
}

bool TComSceneCommand::IsEventPoint() const {
  auto* h = Host();
  return h ? h->IsEventPoint(*this) : false;
}

bool TComSceneCommand::BlocksEvents() const {
  auto* h = Host();
  return h ? h->BlocksEvents(*this) : false;
}

}  // namespace kuzo
