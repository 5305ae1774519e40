// kuzotool expr TEXT: compiles an expression and prints its compiled stream as lower-case hex.
#include <cstdio>
#include <string>
#include <vector>

#include "core/errors.h"
#include "platform/cp932.h"
#include "tools/command.h"
#include "vars/expression_compiler.h"

namespace {

int RunExpr(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: kuzotool expr TEXT\n");
    return 2;
  }
  // The terminal gives UTF-8; expressions are code page 932 text. Bytes that are not UTF-8 are
  // taken as code page 932 already.
  const std::string& arg = args[0];
  std::string text = kuzo::platform::Utf8ToCp932Strict(arg).value_or(arg);
  std::string encoded;
  try {
    encoded = kuzo::TBuildKuzoParser::Encode(text);
  } catch (const kuzo::KuzoError& e) {
    std::fprintf(stderr, "%s\n", kuzo::platform::Cp932ToUtf8(e.what()).c_str());
    return 1;
  }
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(encoded.size() * 2);
  for (unsigned char b : encoded) {
    hex += kHex[b >> 4];
    hex += kHex[b & 15];
  }
  std::printf("%s\n", hex.c_str());
  return 0;
}

kuzo::tool::CommandRegistration reg("expr", "expr TEXT  (print the compiled expression as hex)", &RunExpr);

}  // namespace
