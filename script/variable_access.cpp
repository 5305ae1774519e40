// The interpreter's uses of the variable table.
#include "script/variable_access.h"

#include <algorithm>

#include "core/errors.h"
#include "core/sjis.h"
#include "script/expr.h"
#include "vars/param.h"
#include "vars/param_collection.h"

namespace kuzo {
namespace {
constexpr size_t kMinValueStreamBytes = 8;  // dimension count + element count
}  // namespace

void SetFrameLevel(TParamCollection& vars, int32_t level) { vars.SetFrameLevel(level); }

void DeleteOwnedBy(TParamCollection& vars, int32_t level) { vars.DeleteOwnedBy(level); }

void DeleteVariable(TParamCollection& vars, const std::string& name) {
  if (TParamCollectionItem* item = vars.Find(name); item && !item->IsSystem()) vars.DeleteVariable(*item);
}

void ClearVariables(TParamCollection& vars) { vars.Clear(); }

std::unique_ptr<TCustomParam> NewValue(uint8_t type) {
  if (type < kTypeInt || type > kTypeStr) return nullptr;
  return NewParam(type);
}

void AssignToVariable(TParamCollection& vars, const std::string& name, const TCustomParam& value) {
  TParamCollectionItem* item = vars.Find(name);
  if (!item || !item->Param()) return;
  // A scalar result stays a scalar in the variable; an array result brings its dimensions.
  if (value.Dims().empty())
    AssignByType(*item->Param(), item->Param()->TypeCode(), value);
  else
    item->Param()->AssignConverted(value);
}

void WriteResultValue(ByteWriter& w, const TCustomParam* value) {
  if (!value) {
    w.U8(0);
    return;
  }
  w.U8(value->TypeCode());
  value->SaveToStream(w);
}

std::unique_ptr<TCustomParam> ReadResultValue(ByteReader& r) {
  const uint8_t type = r.U8("result type");
  if (type == 0) return nullptr;
  if (type > kTypeStr) r.Fail("result type", Format("type code %u is not 1..4", type));
  if (r.Remaining() < kMinValueStreamBytes) r.Fail("result value", "value stream is truncated");
  auto v = NewParam(type);
  v->LoadFromStream(r, nullptr);
  return v;
}

void DeclareVariable(TParamCollection& vars, const std::string& name, uint8_t type, uint8_t scope,
                     int32_t stackDepth, Expr& initial) {
  // The table's frame level follows the stack depth; the declaration uses it for owned scopes.
  if (vars.FrameLevel() != stackDepth) vars.SetFrameLevel(stackDepth);
  bool initialise = false;
  // The declared variable stays alive while its initial value is evaluated, even when the
  // evaluation deletes it (DeleteStack of its owner's frame).
  TParamCollection::Hold hold(vars);
  TParamCollectionItem& item = vars.Declare(name, type, scope, initialise);
  if (!initialise) return;
  const TCustomParam* v = initial.Eval(vars);
  if (!v || !item.Param()) return;
  AssignByType(*item.Param(), type, *v);
}

namespace {

void AppendEscaped(std::string& out, std::string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    // The second byte of a double-byte character may be 0x5C (as in "表" or "―"): it is part of
    // the character and stays as it is, or the dump would not read as the same text.
    if (sjis::IsLeadByte(static_cast<uint8_t>(c)) && i + 1 < s.size()) {
      out += c;
      out += s[++i];
      continue;
    }
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
}

}  // namespace

std::string DumpVariables(TParamCollection& vars) {
  std::vector<TParamCollectionItem*> items;
  for (int i = 0; i < vars.Count(); ++i) {
    TParamCollectionItem* it = vars.At(i);
    if (!it || it->IsSystem()) continue;
    if (it->Name().compare(0, kTempPrefix.size(), kTempPrefix) == 0) continue;
    items.push_back(it);
  }
  std::stable_sort(items.begin(), items.end(), [](const TParamCollectionItem* a, const TParamCollectionItem* b) {
    return sjis::CompareNoCase(a->Name(), b->Name()) < 0;
  });
  std::string out;
  for (TParamCollectionItem* it : items) {
    const TCustomParam* p = it->Param();
    AppendEscaped(out, it->Name());
    out += '\t';
    const uint8_t type = p ? p->TypeCode() : 0;
    out += std::to_string(type);
    out += '\t';
    const bool reference = p && p->Class() == ParamClass::Var;
    if (!p || (reference && type == 0)) {
      out += "-\n";  // an unbound reference has no elements
      continue;
    }
    const auto& dims = reference ? std::vector<int32_t>() : p->Dims();
    if (dims.empty()) {
      out += '-';
    } else {
      for (size_t d = 0; d < dims.size(); ++d) out += (d ? "," : "") + std::to_string(dims[d]);
    }
    if (reference) {
      out += '\t';
      AppendEscaped(out, p->AsString());
    } else {
      const int32_t n = p->Count();
      for (int32_t i = 0; i < n; ++i) {
        out += '\t';
        AppendEscaped(out, p->StringAt(i));
      }
    }
    out += '\n';
  }
  return out;
}

}  // namespace kuzo
