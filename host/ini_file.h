// A small INI text file ("[Section]" headers and "key=value" lines) read and changed in place:
// sections and keys compare without regard to ASCII letter case, unknown lines are kept as they
// are, and saving goes through a temporary file that replaces the old one only when complete.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kuzo::host {

class IniFile {
 public:
  IniFile() = default;
  // Parses INI text (CR LF or LF line ends; bytes are kept as they are).
  static IniFile Parse(std::string_view text);
  // Reads a file; a missing file reads as empty. Raises KuzoError when it exists but cannot be read.
  static IniFile Load(const std::filesystem::path& path);

  std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
  // The value as a decimal (or "$"/"0x" hexadecimal) 32-bit integer; `fallback` when the key is
  // missing or its value is not such a number.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
  // A flag is an integer: non-zero is true.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);  // "1" or "0"

  std::string Text() const;  // CR LF line ends, as the files are written on the original system
  // Writes Text() to a temporary file beside `path`, flushes it and renames it over `path`.
  // Raises KuzoError when any step fails; the previous file is then left untouched.
  void Save(const std::filesystem::path& path) const;

 private:
  // Index of the line holding `key` inside `section`, and of the section header.
  std::optional<size_t> FindSection(std::string_view section) const;
  std::optional<size_t> FindKey(size_t sectionLine, std::string_view key) const;

  std::vector<std::string> lines_;
};

// Writes `bytes` to `path` through a temporary file in the same directory and a rename.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kuzo::host
