// The player's one family of errors. KuzoError carries the message the player shows (a Shift-JIS byte
// string); FormatError is raised for bad bytes in any file and names the file, field, offset and sizes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kuzo {

class KuzoError : public std::runtime_error {
 public:
  explicit KuzoError(const std::string& message) : std::runtime_error(message) {}
};

class FormatError : public KuzoError {
 public:
  explicit FormatError(const std::string& message) : KuzoError(message) {}
};

// printf-style formatting into a std::string (for messages such as "%s:ファイルがありません").
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kuzo
