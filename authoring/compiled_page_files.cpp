// CompiledPageFiles: each page is written once, at construction, in the form the interpreter reads.
#include "authoring/compiled_page_files.h"

#include "authoring/title_builder.h"
#include "core/byte_reader.h"
#include "core/errors.h"
#include "script/page.h"

namespace kuzo {

CompiledPageFiles::CompiledPageFiles(const std::vector<std::pair<std::string, std::string>>& sources) {
  for (auto& page : CompilePages(sources)) {
    ByteWriter w;
    page->Write(w);
    files_[page->Name()] = w.Take();
  }
}

std::string CompiledPageFiles::ReadFile(const std::string& name) {
  auto it = files_.find(name);
  if (it == files_.end()) throw KuzoError(Format("%s:ファイルがありません", name.c_str()));
  return it->second;
}

}  // namespace kuzo
