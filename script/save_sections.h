// The player's own SaveSections: the scene, the text history and read marks, the interpreter, the
// variable table and the data tables behind the save file's sections.
#pragma once

#include "script/save_file.h"

namespace kuzo {

class TCallMan;
class TDBManager;
class TKuzoBaseList;
class TKuzoNewHistory;
class TKuzoReadList;
class TParamCollection;

struct SaveSubsystems {
  TKuzoBaseList* scene = nullptr;
  TKuzoNewHistory* history = nullptr;
  TKuzoReadList* readMarks = nullptr;
  TCallMan* callMan = nullptr;
  TParamCollection* vars = nullptr;
  TDBManager* tables = nullptr;
};

class PlayerSaveSections : public SaveSections {
 public:
  explicit PlayerSaveSections(SaveSubsystems s) : s_(s) {}
  // The interpreter is created after the status data is read; it joins here when it exists.
  SaveSubsystems& Subsystems() { return s_; }

  void SaveScene(ByteWriter& w) override;
  void LoadScene(ByteReader& r, uint32_t version) override;
  void SaveHistory(ByteWriter& w) override;
  void LoadHistory(ByteReader& r, uint32_t version) override;
  void SaveInterpreter(ByteWriter& w) override;
  void LoadInterpreter(ByteReader& r, uint32_t version) override;
  void SaveVariables(ByteWriter& w) override;
  void LoadVariables(ByteReader& r, uint32_t version) override;
  void SaveGameTables(ByteWriter& w) override;
  void LoadGameTables(ByteReader& r) override;
  void EnterAfterLoadPage(const std::string& page, int32_t index) override;
  // Every component rebuilds what its record refers to (message windows: their pages).
  void RefreshAfterLoad() override;

  void SaveStatusVariables(ByteWriter& w) override;
  void LoadStatusVariables(ByteReader& r) override;
  void SaveReadMarks(ByteWriter& w) override;
  void LoadReadMarks(ByteReader& r, uint32_t version) override;
  bool CGDither() override;
  void SetCGDither(bool on) override;
  void SaveStatusTables(ByteWriter& w) override;
  void LoadStatusTables(ByteReader& r) override;
  void ClearStatus() override;

 private:
  SaveSubsystems s_;
};

}  // namespace kuzo
