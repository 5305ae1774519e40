// Each save section handed to the subsystem that owns its state. A missing subsystem (other than
// the interpreter) writes the empty form of its section, so a save stays readable by the player.
#include "script/save_sections.h"

#include "components/history_store.h"
#include "components/read_marks.h"
#include "core/byte_reader.h"
#include "core/errors.h"
#include "scene/kuzo_base_list.h"
#include "script/call_man.h"
#include "vars/db_manager.h"
#include "vars/param_collection.h"

namespace kuzo {

void PlayerSaveSections::SaveScene(ByteWriter& w) {
  if (s_.scene) {
    s_.scene->SaveToStream(w);
  } else {
    TKuzoBaseList().SaveToStream(w);
  }
}
void PlayerSaveSections::LoadScene(ByteReader& r, uint32_t version) {
  if (s_.scene) {
    s_.scene->LoadFromStream(r, static_cast<int32_t>(version));
  } else {
    TKuzoBaseList().LoadFromStream(r, static_cast<int32_t>(version));  // read past it
  }
}

void PlayerSaveSections::SaveHistory(ByteWriter& w) {
  if (s_.history) {
    s_.history->SaveToStream(w);
  } else {
    TKuzoNewHistory().SaveToStream(w);
  }
}
void PlayerSaveSections::LoadHistory(ByteReader& r, uint32_t version) {
  TKuzoNewHistory scratch;
  (s_.history ? *s_.history : scratch).LoadFromStream(r, version);
}

// The interpreter record names pages, so there is no empty form: a game save needs the interpreter.
void PlayerSaveSections::SaveInterpreter(ByteWriter& w) {
  if (!s_.callMan) throw KuzoError("game save without an interpreter");
  s_.callMan->SaveState(w);
}
void PlayerSaveSections::LoadInterpreter(ByteReader& r, uint32_t version) {
  if (!s_.callMan) throw KuzoError("game load without an interpreter");
  s_.callMan->LoadState(r, version);
}

void PlayerSaveSections::SaveVariables(ByteWriter& w) {
  if (s_.vars) {
    s_.vars->SaveGame(w);
  } else {
    TParamCollection().SaveGame(w);
  }
}
void PlayerSaveSections::LoadVariables(ByteReader& r, uint32_t version) {
  TParamCollection scratch;
  (s_.vars ? *s_.vars : scratch).LoadGame(r, version);
}

void PlayerSaveSections::SaveGameTables(ByteWriter& w) {
  TDBManager empty;
  (s_.tables ? *s_.tables : empty).SaveTables(w, false);
}
void PlayerSaveSections::LoadGameTables(ByteReader& r) {
  TDBManager scratch;
  (s_.tables ? *s_.tables : scratch).LoadTables(r, false);
}

void PlayerSaveSections::RefreshAfterLoad() {
  if (!s_.scene) return;
  for (int i = 0; i < s_.scene->GetObjectCount(); ++i) {
    if (TKuzoObject* obj = s_.scene->GetObject(i)) obj->AfterLoad();
  }
}

void PlayerSaveSections::EnterAfterLoadPage(const std::string& page, int32_t index) {
  TCallMan* cm = s_.callMan;
  if (!cm) return;
  TPage* target = cm->GetPage(page, true);
  // The restored context becomes a frame, so the after-load page returns into the game.
  if (cm->page) {
    TStack frame;
    frame.pageName = cm->page->Name();
    frame.pc = cm->pc;
    frame.run = cm->run;
    frame.entered = cm->entered;
    frame.sender = cm->sender;
    frame.args = cm->args;
    cm->PushFrame(std::move(frame));
  }
  cm->page = target;
  cm->pc = index > 0 ? index : 0;
  cm->entered = false;
  cm->run = true;
}

void PlayerSaveSections::SaveStatusVariables(ByteWriter& w) {
  if (s_.vars) {
    s_.vars->SaveStatus(w);
  } else {
    TParamCollection().SaveStatus(w);
  }
}
void PlayerSaveSections::LoadStatusVariables(ByteReader& r) {
  TParamCollection scratch;
  (s_.vars ? *s_.vars : scratch).LoadStatus(r);
}

void PlayerSaveSections::SaveReadMarks(ByteWriter& w) {
  TKuzoReadList empty;
  (s_.readMarks ? *s_.readMarks : empty).SaveToStream(w);
}
void PlayerSaveSections::LoadReadMarks(ByteReader& r, uint32_t version) {
  TKuzoReadList scratch;
  (s_.readMarks ? *s_.readMarks : scratch).LoadFromStream(r, version);
}

bool PlayerSaveSections::CGDither() { return s_.scene && s_.scene->CGDither(); }
void PlayerSaveSections::SetCGDither(bool on) {
  if (s_.scene) s_.scene->SetCGDither(on);
}

void PlayerSaveSections::SaveStatusTables(ByteWriter& w) {
  TDBManager empty;
  (s_.tables ? *s_.tables : empty).SaveTables(w, true);
}
void PlayerSaveSections::LoadStatusTables(ByteReader& r) {
  TDBManager scratch;
  (s_.tables ? *s_.tables : scratch).LoadTables(r, true);
}

void PlayerSaveSections::ClearStatus() {
  if (s_.readMarks) s_.readMarks->Clear();
  if (s_.scene) s_.scene->SetCGDither(false);
  if (s_.tables) {
    // An empty status part replaces the status tables with none.
    ByteWriter none;
    TDBManager().SaveTables(none, true);
    ByteReader r(none.Str(), "empty status tables");
    s_.tables->LoadTables(r, true);
  }
}

}  // namespace kuzo
