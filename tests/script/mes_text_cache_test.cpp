// The message windows' text cache: the glyph list of a text command by page file and command index
// (letter case of the file ignored), nothing for other commands, indexes out of range, missing or
// damaged pages, and at most four pages kept, the least recently used dropped first.
#include "script/mes_text_cache.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "authoring/title_builder.h"
#include "core/byte_reader.h"
#include "data/file_manager.h"
#include "text/nk_word.h"

namespace kuzo {
namespace {

namespace fs = std::filesystem;

class MesTextCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kuzo-mes-text-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                        "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    files_.SetBaseDir(dir_.string());
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Compiles UTF-8 page sources and writes them into the game directory.
  void Write(const std::vector<std::pair<std::string, std::string>>& sources) {
    for (const auto& page : CompilePages(sources)) {
      ByteWriter w;
      page->Write(w);
      std::ofstream(dir_ / page->Name(), std::ios::binary) << w.Str();
    }
  }
  static std::string ListOf(const std::string& text) {
    TNkWord w;
    w.TextDelay = 50;  // the builder's default typing delay
    w.SetText(text);
    ByteWriter out;
    w.WriteGlyphs(out);
    return out.Take();
  }

  fs::path dir_;
  TVrFileManager files_;
};

TEST_F(MesTextCacheTest, GivesTheGlyphListOfTextCommandsOnly) {
  Write({{"main.kss", "x = 1\ntext \"mes\"\n> Hello <B>there</B>\n"}});
  TMesDataCacheList cache(&files_);
  const auto list = cache.CommandGlyphs("main.ksb", 1);
  ASSERT_TRUE(list.has_value());
  EXPECT_EQ(*list, ListOf("Hello <B>there</B>"));
  EXPECT_EQ(cache.CommandGlyphs("MAIN.KSB", 1), list);  // letter case ignored
  EXPECT_FALSE(cache.CommandGlyphs("main.ksb", 0));     // a calc command
  EXPECT_FALSE(cache.CommandGlyphs("main.ksb", 2));     // past the end
  EXPECT_FALSE(cache.CommandGlyphs("main.ksb", -1));
  EXPECT_FALSE(cache.CommandGlyphs("none.ksb", 0));
  EXPECT_EQ(cache.CachedNames(), (std::list<std::string>{"main.ksb"}));
}

TEST_F(MesTextCacheTest, DamagedPagesAndNoGameDataGiveNothing) {
  std::ofstream(dir_ / "bad.ksb", std::ios::binary) << std::string("\x6e\x00\x00\x00\x01", 5);
  TMesDataCacheList cache(&files_);
  EXPECT_FALSE(cache.CommandGlyphs("bad.ksb", 0));
  EXPECT_TRUE(cache.CachedNames().empty());
  TMesDataCacheList none(nullptr);
  EXPECT_FALSE(none.CommandGlyphs("main.ksb", 0));
}

TEST_F(MesTextCacheTest, KeepsTheFourMostRecentlyUsedPages) {
  Write({{"a.kss", "text \"m\"\n> a\n"}, {"b.kss", "text \"m\"\n> b\n"}, {"c.kss", "text \"m\"\n> c\n"},
         {"d.kss", "text \"m\"\n> d\n"}, {"e.kss", "text \"m\"\n> e\n"}});
  TMesDataCacheList cache(&files_);
  for (const char* p : {"a.ksb", "b.ksb", "c.ksb", "d.ksb"}) ASSERT_TRUE(cache.CommandGlyphs(p, 0));
  ASSERT_TRUE(cache.CommandGlyphs("a.ksb", 0));  // a becomes the most recent
  ASSERT_TRUE(cache.CommandGlyphs("e.ksb", 0));  // b, the least recent, goes
  EXPECT_EQ(cache.CachedNames(), (std::list<std::string>{"e.ksb", "a.ksb", "d.ksb", "c.ksb"}));
  // A page changed on disk is read again only once it has left the cache.
  Write({{"e.kss", "text \"m\"\n> changed\n"}});
  EXPECT_EQ(*cache.CommandGlyphs("e.ksb", 0), ListOf("e"));
}

}  // namespace
}  // namespace kuzo
