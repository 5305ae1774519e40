// install.dat: the version gates of every field, version 0 without signature, the newest form
// written back, and truncated files.
#include "data/install_settings.h"

#include <gtest/gtest.h>

#include "core/byte_reader.h"
#include "core/errors.h"

namespace kuzo {
namespace {

// An install settings file of `version` (0 = no signature) holding recognisable values.
std::string Build(int version) {
  ByteWriter w;
  if (version > 0) {
    w.Bytes("is");
    w.Bytes(Format("%03d", version));
  }
  w.U32(2);           // disk index
  w.String("Title");  // 3
  w.String("four");
  w.String("five");
  w.String("six");
  w.U8(7);
  w.String("eight");
  w.U8(9);
  w.U32(2);  // rows
  w.String("eleven");
  w.U32(12);
  w.U8(13);
  w.U8(14);
  w.String("fifteen");
  w.String("sixteen");
  const bool wide = version > 99;
  for (int i = 0; i < 12; ++i) {  // two rows of four, then four values
    if (wide) w.I64(-1000000000000LL + i);
    else w.I32(-100 + i);
  }
  w.U8(19);
  if (version > 100) w.U8(20);
  if (version > 101) {
    w.U32(3);
    w.String("a");
    w.String("");
    w.String("c");
  }
  if (version > 102) w.U8(1);
  if (version > 103) w.U8(23);
  if (version > 104) w.U8(24);
  if (version > 105) {
    w.U32(2);
    w.String("");
    w.String("y");
  }
  if (version > 106) w.String("twenty-six");
  return w.Take();
}

TEST(InstallSettingsTest, EveryVersionReadsItsFieldsAndStopsAtItsEnd) {
  for (int version : {0, 99, 100, 101, 102, 103, 104, 105, 106, 107}) {
    SCOPED_TRACE(version);
    const TKuzoInstallSet s = TKuzoInstallSet::Read(Build(version));
    EXPECT_EQ(s.version, version);
    EXPECT_EQ(s.diskIndex, 2u);
    EXPECT_EQ(s.title, "Title");
    EXPECT_EQ(s.text16, "sixteen");
    ASSERT_EQ(s.rows.size(), 2u);
    if (version > 99) {
      EXPECT_EQ(s.rows[1][3], -1000000000000LL + 7);
      EXPECT_EQ(s.values18[0], -1000000000000LL + 8);
    } else {
      EXPECT_EQ(s.rows[1][3], -93);  // 4-byte values are signed
      EXPECT_EQ(s.values18[3], -89);
    }
    EXPECT_EQ(s.byte19, 19);
    EXPECT_EQ(s.byte20, version > 100 ? 20 : 0);
    EXPECT_EQ(s.list21, version > 101 ? std::vector<std::string>({"a", "c"}) : std::vector<std::string>());
    EXPECT_EQ(s.dataInstalled, version > 102);
    EXPECT_EQ(s.byte24, version > 104 ? 24 : 0);
    EXPECT_EQ(s.list25, version > 105 ? std::vector<std::string>({"", "y"}) : std::vector<std::string>());
    EXPECT_EQ(s.text26, version > 106 ? "twenty-six" : "");
  }
}

TEST(InstallSettingsTest, WritesTheNewestFormAndReadsItBack) {
  TKuzoInstallSet s = TKuzoInstallSet::Read(Build(99));
  const std::string bytes = s.Write();
  EXPECT_EQ(bytes.substr(0, 5), "is107");
  EXPECT_EQ(bytes, Build(107).substr(0, 5) + bytes.substr(5));
  const TKuzoInstallSet back = TKuzoInstallSet::Read(bytes);
  EXPECT_EQ(back.version, 107);
  EXPECT_EQ(back.rows, s.rows);
  EXPECT_EQ(back.values18, s.values18);
  EXPECT_EQ(back.title, "Title");
  // Rewriting keeps everything but the empty strings of the first list (4 bytes for its length).
  const std::string rewritten = TKuzoInstallSet::Read(Build(107)).Write();
  EXPECT_EQ(rewritten.size(), Build(107).size() - 4);
  EXPECT_EQ(TKuzoInstallSet::Read(rewritten).Write(), rewritten);
}

TEST(InstallSettingsTest, TruncatedAndMalformedFilesAreFormatErrors) {
  const std::string full = Build(107);
  for (size_t length = 0; length < full.size(); ++length) {
    EXPECT_THROW(TKuzoInstallSet::Read(full.substr(0, length)), FormatError) << length;
  }
  EXPECT_THROW(TKuzoInstallSet::Read("is1x7" + full.substr(5)), FormatError);
  // A row count that could never fit is refused before anything is allocated.
  ByteWriter w;
  w.Bytes("is107");
  w.U32(0);
  for (int i = 0; i < 4; ++i) w.String("");
  w.U8(0);
  w.String("");
  w.U8(0);
  w.U32(0x7FFFFFFF);
  w.Bytes(std::string(64, '\0'));
  EXPECT_THROW(TKuzoInstallSet::Read(w.Str()), FormatError);
}

}  // namespace
}  // namespace kuzo
