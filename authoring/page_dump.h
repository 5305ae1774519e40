// A readable listing of a page: its settings, property masks and every command with its header
// and record fields (expressions in three-address form).
#pragma once

#include <string>

namespace kuzo {

class TPage;

// UTF-8 text, one command a line.
std::string DumpPage(TPage& page);

}  // namespace kuzo
