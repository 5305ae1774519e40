// Compiles one page of the title-source language into a page: one command per line, block depth
// from indentation, structured loops, labels resolved across the pages of a title.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "script/page.h"

namespace kuzo {

// "file:line: message" (UTF-8, for the terminal).
class BuildError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A jump, call or reset target named by label, resolved once every page of the title is known.
struct LabelFixup {
  TPage* page;
  int command;
  int field;
  std::string targetPage;
  std::string label;
  std::string where;  // "file:line" for messages
};

// The page name a source file compiles to: "sub/name.kss" -> "sub\name.ksb".
std::string PageNameOfSource(std::string_view relativeSource);
// A page named in a source ("name.kss" or "name.ksb") as the stored page name.
std::string StoredPageName(std::string_view written);

class PageCompiler {
 public:
  // `text` is Shift-JIS. Raises BuildError on the first error.
  std::unique_ptr<TPage> Compile(const std::string& sourceName, const std::string& pageName, std::string_view text,
                                 std::vector<LabelFixup>& fixups);
};

// Resolves label targets against the compiled pages; raises BuildError for an unknown label.
void ResolveFixups(const std::vector<std::unique_ptr<TPage>>& pages, const std::vector<LabelFixup>& fixups);

}  // namespace kuzo
