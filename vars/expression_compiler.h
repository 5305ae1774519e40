// The expression compiler: rewrites expression text step by step (string literals, calls, array
// elements, parentheses, then operators by precedence) into the operation list, and encodes it in
// the compiled stream form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kuzo {

class ByteWriter;

struct TBuildOpeData {
  uint8_t OpCode = 0;
  std::string Dest;
  std::vector<std::string> Operands;  // for a call, element 0 is the function name
};

class TBuildKuzoParser {
 public:
  // Compiles `text`, appending to the operation list; raises KuzoError ("構文エラー",
  // "配列の添え字が不正です").
  void Compile(std::string_view text);
  // Encodes the operation list; raises for unknown functions and wrong argument counts.
  void WriteTo(ByteWriter& w) const;
  // Compile then encode, as one call.
  static std::string Encode(std::string_view text);

  const std::vector<TBuildOpeData>& Ops() const { return ops_; }
  int32_t TempCounter() const { return tempCounter_; }

 private:
  class Compilation;
  std::vector<TBuildOpeData> ops_;
  int32_t tempCounter_ = 0;
};

}  // namespace kuzo
