// TKuzoInstallSet: the install settings file "install.dat" written by the installation tools. The
// player interprets the disk index, the title and the data-installed flag; every other field is
// carried unchanged so the file can be rewritten without loss. Reads versions 0 to 107, writes 107.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kuzo {

constexpr std::string_view kInstallSignature = "is";
constexpr int kInstallVersion = 107;
constexpr std::string_view kInstallFileName = "install.dat";

struct TKuzoInstallSet {
  int version = kInstallVersion;
  uint32_t diskIndex = 0;  // 0-based disc this file belongs to
  std::string title;       // must equal the project title
  // Fields the installation tools own, named by their place in the file.
  std::string text4, text5, text6;
  uint8_t byte7 = 0;
  std::string text8;
  uint8_t byte9 = 0;
  std::string text11;
  uint32_t value12 = 0;
  uint8_t byte13 = 0, byte14 = 0;
  std::string text15, text16;
  std::vector<std::array<int64_t, 4>> rows;  // 8-byte values from version 100, 4-byte before
  std::array<int64_t, 4> values18{};
  uint8_t byte19 = 0;
  uint8_t byte20 = 0;                    // version > 100
  std::vector<std::string> list21;       // version > 101; empty strings are not kept
  bool dataInstalled = false;            // version > 102: data beside the executable, no disc needed
  uint8_t byte23 = 0;                    // version > 103
  uint8_t byte24 = 0;                    // version > 104
  std::vector<std::string> list25;       // version > 105
  std::string text26;                    // version > 106

  // Raises FormatError naming `source` for truncated or malformed data.
  static TKuzoInstallSet Read(std::string_view bytes, const std::string& source = std::string(kInstallFileName));
  // The newest form ("is107"), whatever version was read.
  std::string Write() const;
};

}  // namespace kuzo
