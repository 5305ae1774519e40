// The 38 data-table built-ins. None raises: every failure is a false, 0, -1, empty text or the
// caller's default in the result.
#include "vars/db_builtins.h"

#include "vars/db_manager.h"
#include "vars/param.h"
#include "vars/sys_func_man.h"

namespace kuzo {

namespace {

const TCustomParam* OptionalArg(const BuiltinCall& c, int n) { return c.Has(n) ? &c.Arg(n) : nullptr; }
bool OptionalFlag(const BuiltinCall& c, int n) { return c.Has(n) && c.Flag(n); }

// The criteria of DBCopyTable and DBInsertTable (arguments 2..5) run against `table`.
TDBMatches SearchFromArgs(const TDBTable& table, const BuiltinCall& c) {
  return table.Search(OptionalArg(c, 2), OptionalArg(c, 3), OptionalFlag(c, 4), OptionalFlag(c, 5));
}

// DBDirectFind with arguments 1..6 of the direct functions.
bool DirectFromArgs(const TDBManager& m, const BuiltinCall& c, TDBDirectHit& hit) {
  return m.DirectFind(c.Str(1), &c.Arg(2), &c.Arg(3), c.Flag(4), c.Flag(5), c.Str(6), hit);
}

}  // namespace

void InstallDataTableBuiltins(TSysFuncMan& funcs, TDBManager& m, GameFileReader readFile) {
  using Fn = std::function<void(BuiltinCall&)>;
  auto set = [&funcs](Builtin number, Fn fn) { funcs.SetHandler(BuiltinNumber(number), std::move(fn)); };
  // Handlers that need the active table; without one the result stays at its empty value.
  auto withActive = [&m, &set](Builtin number, std::function<void(BuiltinCall&, TDBTable&)> fn) {
    set(number, [&m, fn = std::move(fn)](BuiltinCall& c) {
      if (TDBTable* t = m.ActiveTable()) fn(c, *t);
    });
  };

  set(Builtin::DBCreateTable, [&m](BuiltinCall& c) { c.Result().SetBoolean(m.CreateTable(c.Str(1), c.Flag(2)) >= 0); });
  set(Builtin::DBSetActive, [&m](BuiltinCall& c) { c.Result().SetBoolean(m.SetActive(c.Str(1))); });
  withActive(Builtin::DBAddField, [](BuiltinCall& c, TDBTable& t) {
    const int32_t kind = c.Int(2);
    const bool known = kind >= kDBInt && kind <= kDBStr;
    c.Result().SetBoolean(known && t.AddField(c.Str(1), static_cast<uint8_t>(kind), c.Has(3) ? c.Int(3) : 0) >= 0);
  });
  withActive(Builtin::DBSetRecNo, [](BuiltinCall& c, TDBTable& t) { c.Result().SetBoolean(t.SetCurrent(c.Int(1))); });
  withActive(Builtin::DBInsert, [](BuiltinCall& c, TDBTable& t) {
    t.Append();
    const int32_t rec = t.CurrentIndex();
    for (int i = 1; i <= c.ArgCount() && i <= t.Fields().Count(); ++i) {
      const TCustomParam& a = c.Arg(i);
      const int32_t field = i - 1;
      switch (a.TypeCode()) {
        case kTypeInt: t.SetInt(rec, field, a.AsInteger()); break;
        case kTypeFloat: t.SetFloat(rec, field, a.AsFloat()); break;
        case kTypeFlag: t.SetBool(rec, field, a.AsBoolean()); break;
        case kTypeStr: t.SetStr(rec, field, a.AsString()); break;
        default: break;
      }
    }
    c.Result().SetBoolean(true);
  });
  withActive(Builtin::DBDelete, [](BuiltinCall& c, TDBTable& t) { c.Result().SetBoolean(t.DeleteCurrent()); });

  // Typed access to the current record by field name.
  withActive(Builtin::DBGetInt, [](BuiltinCall& c, TDBTable& t) {
    int32_t v = 0;
    t.GetInt(t.CurrentIndex(), t.Fields().IndexOfField(c.Str(1)), v);
    c.Result().SetInteger(v);
  });
  withActive(Builtin::DBGetFloat, [](BuiltinCall& c, TDBTable& t) {
    long double v = 0;
    t.GetFloat(t.CurrentIndex(), t.Fields().IndexOfField(c.Str(1)), v);
    c.Result().SetFloat(v);
  });
  withActive(Builtin::DBGetBool, [](BuiltinCall& c, TDBTable& t) {
    bool v = false;
    t.GetBool(t.CurrentIndex(), t.Fields().IndexOfField(c.Str(1)), v);
    c.Result().SetBoolean(v);
  });
  withActive(Builtin::DBGetStr, [](BuiltinCall& c, TDBTable& t) {
    std::string v;
    t.GetStr(t.CurrentIndex(), t.Fields().IndexOfField(c.Str(1)), v);
    c.Result().SetString(v);
  });
  withActive(Builtin::DBSetInt, [](BuiltinCall& c, TDBTable& t) {
    c.Result().SetBoolean(t.SetInt(t.CurrentIndex(), t.Fields().IndexOfField(c.Str(1)), c.Int(2)));
  });
  withActive(Builtin::DBSetFloat, [](BuiltinCall& c, TDBTable& t) {
    c.Result().SetBoolean(t.SetFloat(t.CurrentIndex(), t.Fields().IndexOfField(c.Str(1)), c.Flt(2)));
  });
  withActive(Builtin::DBSetBool, [](BuiltinCall& c, TDBTable& t) {
    c.Result().SetBoolean(t.SetBool(t.CurrentIndex(), t.Fields().IndexOfField(c.Str(1)), c.Flag(2)));
  });
  withActive(Builtin::DBSetStr, [](BuiltinCall& c, TDBTable& t) {
    c.Result().SetBoolean(t.SetStr(t.CurrentIndex(), t.Fields().IndexOfField(c.Str(1)), c.Str(2)));
  });

  set(Builtin::DBRecordCount, [&m](BuiltinCall& c) {
    const TDBTable* t = c.Has(1) ? m.FindTable(c.Str(1)) : m.ActiveTable();
    c.Result().SetInteger(t ? t->RecordCount() : -1);
  });
  withActive(Builtin::DBFindFirst, [](BuiltinCall& c, TDBTable& t) { c.Result().SetBoolean(t.First()); });
  withActive(Builtin::DBFindLast, [](BuiltinCall& c, TDBTable& t) { c.Result().SetBoolean(t.Last()); });
  withActive(Builtin::DBFindNext, [](BuiltinCall& c, TDBTable& t) { c.Result().SetBoolean(t.Next()); });
  withActive(Builtin::DBFindPrior, [](BuiltinCall& c, TDBTable& t) { c.Result().SetBoolean(t.Prior()); });
  withActive(Builtin::DBLocate, [](BuiltinCall& c, TDBTable& t) {
    TDBMatches found = t.Search(&c.Arg(1), &c.Arg(2), OptionalFlag(c, 3), OptionalFlag(c, 4));
    if (!found.empty()) t.SetCurrent(found.front());
    c.Result().SetBoolean(!found.empty());
  });
  withActive(Builtin::DBLoadTsvFile, [readFile](BuiltinCall& c, TDBTable& t) {
    std::optional<std::string> text = readFile ? readFile(c.Str(1)) : std::nullopt;
    c.Result().SetBoolean(text && !text->empty() && t.LoadFromLines(SplitTextLines(*text)));
  });

  // Direct access: the first record of a named table that matches, without moving any cursor.
  set(Builtin::DBDirectGetInt, [&m](BuiltinCall& c) {
    TDBDirectHit h;
    int32_t v = c.Int(7);
    if (DirectFromArgs(m, c, h)) h.table->GetInt(h.record, h.field, v);
    c.Result().SetInteger(v);
  });
  set(Builtin::DBDirectGetFloat, [&m](BuiltinCall& c) {
    TDBDirectHit h;
    long double v = c.Flt(7);
    if (DirectFromArgs(m, c, h)) h.table->GetFloat(h.record, h.field, v);
    c.Result().SetFloat(v);
  });
  set(Builtin::DBDirectGetBool, [&m](BuiltinCall& c) {
    TDBDirectHit h;
    bool v = c.Flag(7);
    if (DirectFromArgs(m, c, h)) h.table->GetBool(h.record, h.field, v);
    c.Result().SetBoolean(v);
  });
  set(Builtin::DBDirectGetStr, [&m](BuiltinCall& c) {
    TDBDirectHit h;
    std::string v = c.Str(7);
    if (DirectFromArgs(m, c, h)) h.table->GetStr(h.record, h.field, v);
    c.Result().SetString(v);
  });
  set(Builtin::DBDirectSetInt, [&m](BuiltinCall& c) {
    TDBDirectHit h;
    c.Result().SetBoolean(DirectFromArgs(m, c, h) && h.table->SetInt(h.record, h.field, c.Int(7)));
  });
  set(Builtin::DBDirectSetFloat, [&m](BuiltinCall& c) {
    TDBDirectHit h;
    c.Result().SetBoolean(DirectFromArgs(m, c, h) && h.table->SetFloat(h.record, h.field, c.Flt(7)));
  });
  set(Builtin::DBDirectSetBool, [&m](BuiltinCall& c) {
    TDBDirectHit h;
    c.Result().SetBoolean(DirectFromArgs(m, c, h) && h.table->SetBool(h.record, h.field, c.Flag(7)));
  });
  set(Builtin::DBDirectSetStr, [&m](BuiltinCall& c) {
    TDBDirectHit h;
    c.Result().SetBoolean(DirectFromArgs(m, c, h) && h.table->SetStr(h.record, h.field, c.Str(7)));
  });

  // Whole tables.
  withActive(Builtin::DBCopyTable, [&m](BuiltinCall& c, TDBTable& t) {
    c.Result().SetBoolean(m.CopyMatchesTo(c.Str(1), SearchFromArgs(t, c)));
  });
  set(Builtin::DBDeleteTable, [&m](BuiltinCall& c) {
    if (c.Has(1)) {
      c.Result().SetBoolean(m.DeleteTable(c.Str(1)));
    } else {
      const TDBTable* t = m.ActiveTable();
      c.Result().SetBoolean(t && m.DeleteTable(std::string(t->Name())));
    }
  });
  set(Builtin::DBInsertTable, [&m](BuiltinCall& c) {
    const TDBTable* source = m.FindTable(c.Str(1));
    c.Result().SetBoolean(source && m.InsertMatchesFrom(c.Str(1), SearchFromArgs(*source, c)));
  });
  withActive(Builtin::DBCopy, [&m](BuiltinCall& c, TDBTable& t) {
    TDBTable* target = m.FindTable(c.Str(1));
    const uint8_t* record = t.Record(t.CurrentIndex());
    const bool ok = record && target && target->Fields().SameStructure(t.Fields());
    if (ok) target->AppendCopy(record);
    c.Result().SetBoolean(ok);
  });
  set(Builtin::DBClearTable, [&m](BuiltinCall& c) {
    m.Clear();
    c.Result().SetBoolean(false);
  });
  withActive(Builtin::DBSort, [](BuiltinCall& c, TDBTable& t) {
    t.Sort(&c.Arg(1), &c.Arg(2));
    c.Result().SetBoolean(true);
  });
  set(Builtin::DBGetActive, [&m](BuiltinCall& c) {
    c.Result().SetString(m.ActiveTable() ? m.ActiveTable()->Name() : std::string());
  });
  set(Builtin::DBGetRecNo, [&m](BuiltinCall& c) {
    c.Result().SetInteger(m.ActiveTable() ? m.ActiveTable()->CurrentIndex() : -1);
  });
  set(Builtin::DBClearRecord, [&m](BuiltinCall& c) {
    TDBTable* t = c.Has(1) ? m.FindTable(c.Str(1)) : m.ActiveTable();
    if (t) t->ClearRecords();
    c.Result().SetBoolean(t != nullptr);
  });
}

}  // namespace kuzo
