// Fuzz harness for the data table loaders: the first byte picks the TSV loader or the saved game or
// status part. A bad saved part must raise FormatError and leave the manager as it was; whatever
// loads must survive a sort, a search and a save.
#include <memory>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "fuzz/fuzz_input.h"
#include "vars/db_manager.h"
#include "vars/param.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0] % 3;
  std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
  kuzo::TDBManager m;
  m.CreateTable("keep", mode == 2);
  if (mode == 0) {
    m.ActiveTable()->LoadFromLines(kuzo::SplitTextLines(body));
  } else {
    kuzo::ByteReader r(body, "fuzz");
    try {
      m.LoadTables(r, mode == 2);
    } catch (const kuzo::FormatError&) {
      if (m.TableCount() != 1 || m.FindTable("keep") == nullptr) __builtin_trap();
    }
  }
  for (int32_t i = 0; i < m.TableCount(); ++i) {
    kuzo::TDBTable& t = *m.TableAt(i);
    std::vector<kuzo::TDBSortKey> keys;
    for (int32_t f = 0; f < t.Fields().Count() && f < 3; ++f) keys.push_back({f, (f & 1) != 0});
    t.SortByKeys(keys);
    if (t.Fields().Count() > 0) {
      kuzo::TParamStr name(t.Fields().At(0).Name);
      kuzo::TParamStr value("a");
      t.Search(&name, &value, true, true);
    }
  }
  kuzo::ByteWriter w;
  m.SaveTables(w, false);
  m.SaveTables(w, true);
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  std::vector<std::string> seeds;
  seeds.push_back(std::string(1, '\0') + "id int\tname str 6\tx float\tok bool\n1\tAnn\t2.5\tTRUE\n2\tB\\\\ob\\n\n");
  for (bool status : {false, true}) {
    kuzo::TDBManager m;
    m.CreateTable("t", status);
    kuzo::TDBTable& t = *m.ActiveTable();
    t.AddField("n", kuzo::kDBInt, 0);
    t.AddField("s", kuzo::kDBStr, 5);
    t.AddField("x", kuzo::kDBFloat, 0);
    t.AddField("b", kuzo::kDBBool, 0);
    for (int r = 0; r < 3; ++r) {
      t.Append();
      t.SetInt(r, 0, r);
      t.SetStr(r, 1, "ab");
      t.SetFloat(r, 2, r * 0.5L);
    }
    kuzo::ByteWriter w;
    m.SaveTables(w, status);
    seeds.push_back(std::string(1, static_cast<char>(status ? 2 : 1)) + w.Str());
  }
  return seeds;
}
