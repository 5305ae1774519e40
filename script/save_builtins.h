// Installs the save-list built-ins (GetSaveCaption, ListSaveCaption) on a dispatcher.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kuzo {

class TSysFuncMan;

// Captions by slot, in list order (the project's SaveCaptions); must outlive the handlers.
using SaveCaptionList = std::vector<std::pair<int32_t, std::string>>;

void InstallSaveBuiltins(TSysFuncMan& funcs, const SaveCaptionList& captions);

// Replaces the caption of `slot` or adds it at the end.
void SetSaveCaption(SaveCaptionList& captions, int32_t slot, const std::string& caption);

}  // namespace kuzo
