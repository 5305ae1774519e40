// INI text reading and in-place editing, and the atomic file replacement used to save it.
#include "host/ini_file.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <system_error>

#include "core/errors.h"
#include "core/sjis.h"

namespace kuzo::host {
namespace {

constexpr size_t kMaxIniBytes = 1 << 20;  // a settings file is a few lines; refuse anything huge

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// "[Name]" -> "Name"; nullopt for other lines.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

// "key=value" -> key; nullopt for lines without "=" or comments.
std::optional<std::string_view> KeyName(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(0, eq));
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
  IniFile ini;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ini.lines_.emplace_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return ini;
}

IniFile IniFile::Load(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return IniFile();
  auto size = std::filesystem::file_size(path, ec);
  if (ec) throw KuzoError(Format("%s: cannot read (%s)", path.string().c_str(), ec.message().c_str()));
  if (size > kMaxIniBytes) {
    throw KuzoError(Format("%s: %llu bytes is too large for a settings file", path.string().c_str(),
                           static_cast<unsigned long long>(size)));
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw KuzoError(Format("%s: cannot open", path.string().c_str()));
  std::ostringstream buf;
  buf << in.rdbuf();
  return Parse(buf.str());
}

std::optional<size_t> IniFile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    auto name = SectionName(lines_[i]);
    if (name && sjis::EqualsNoCase(*name, section)) return i;
  }
  return std::nullopt;
}

std::optional<size_t> IniFile::FindKey(size_t sectionLine, std::string_view key) const {
  for (size_t i = sectionLine + 1; i < lines_.size(); ++i) {
    if (SectionName(lines_[i])) break;
    auto name = KeyName(lines_[i]);
    if (name && sjis::EqualsNoCase(*name, key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniFile::ReadString(std::string_view section, std::string_view key) const {
  auto s = FindSection(section);
  if (!s) return std::nullopt;
  auto k = FindKey(*s, key);
  if (!k) return std::nullopt;
  const std::string& line = lines_[*k];
  std::string_view value = Trim(std::string_view(line).substr(line.find('=') + 1));
  // Values written with surrounding quotes read without them.
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const {
  auto text = ReadString(section, key);
  if (!text) return fallback;
  std::string_view s = *text;
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s.front() == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return fallback;
  uint64_t magnitude = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
  if (ec != std::errc() || ptr != s.data() + s.size()) return fallback;
  if (base == 16 && !negative && magnitude <= 0xFFFFFFFFull) {
    return static_cast<int32_t>(static_cast<uint32_t>(magnitude));  // hexadecimal may set the sign bit
  }
  if (negative ? magnitude > 2147483648ull : magnitude > 2147483647ull) return fallback;
  return negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude)) : static_cast<int32_t>(magnitude);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::string line = std::string(key) + "=" + std::string(value);
  auto s = FindSection(section);
  if (!s) {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(line);
    return;
  }
  if (auto k = FindKey(*s, key)) {
    lines_[*k] = line;
    return;
  }
  // Append after the section's last non-empty line.
  size_t insertAt = *s + 1;
  for (size_t i = *s + 1; i < lines_.size() && !SectionName(lines_[i]); ++i) {
    if (!Trim(lines_[i]).empty()) insertAt = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), line);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

std::string IniFile::Text() const {
  std::string out;
  for (const auto& line : lines_) out += line + "\r\n";
  return out;
}

void IniFile::Save(const std::filesystem::path& path) const { WriteFileAtomically(path, Text()); }

void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::path temp = path;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw KuzoError(Format("%s: cannot create", temp.string().c_str()));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      throw KuzoError(Format("%s: cannot write", temp.string().c_str()));
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    throw KuzoError(Format("%s: cannot replace (%s)", path.string().c_str(), ec.message().c_str()));
  }
}

}  // namespace kuzo::host
