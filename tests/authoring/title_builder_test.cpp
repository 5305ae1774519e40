// The title-source language: depth from indentation, loops and their targets, labels across
// pages, every kind of field, Shift-JIS conversion, the project source, and errors with file:line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "authoring/page_compiler.h"
#include "authoring/title_builder.h"
#include "graphics/image_formats/image_file.h"
#include "graphics/png_writer.h"
#include "script/project_file.h"
#include "script/command_codes.h"
#include "script/scene_commands.h"

namespace kuzo {
namespace {

std::unique_ptr<TPage> One(const std::string& text) {
  auto pages = CompilePages({{"main.kss", text}});
  return std::move(pages.at(0));
}

std::string ErrorOf(const std::vector<std::pair<std::string, std::string>>& sources) {
  try {
    CompilePages(sources);
  } catch (const BuildError& e) {
    return e.what();
  }
  return "no error";
}

TEST(TitleBuilder, DepthFollowsIndentationAndLinesAreCarried) {
  auto p = One("if a\n  x = 1\n  if b\n\n      y = 2\n  z = 3\nelse\n\tw = 4\n");
  ASSERT_EQ(p->Count(), 7);
  const int depths[] = {0, 1, 1, 2, 1, 0, 1};
  const int lines[] = {1, 2, 3, 5, 6, 7, 8};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(p->At(i).depth, depths[i]) << i;
    EXPECT_EQ(p->At(i).line, lines[i]) << i;
  }
  EXPECT_EQ(p->At(0).TypeCode(), 0);
  EXPECT_EQ(p->At(5).TypeCode(), 2);
}

TEST(TitleBuilder, WhileLoopEmitsInitTestAndStepWithTargets) {
  auto p = One("while i < 3 init i = 0 step i = i + 1\n  break if i == 1\n  continue\nx = 1\n");
  ASSERT_EQ(p->Count(), 6);
  EXPECT_EQ(p->At(0).TypeCode(), 32);
  EXPECT_EQ(p->At(1).TypeCode(), 31);
  EXPECT_EQ(p->At(1).fields[1].number, 5);  // exit: after the step
  EXPECT_EQ(p->At(2).TypeCode(), 34);
  EXPECT_EQ(p->At(2).fields[1].number, 5);
  EXPECT_EQ(p->At(3).TypeCode(), 35);
  EXPECT_EQ(p->At(3).fields[1].number, 4);  // continue: the step
  EXPECT_EQ(p->At(4).TypeCode(), 33);
  EXPECT_EQ(p->At(4).fields[1].number, 1);  // back to the test
  EXPECT_EQ(p->At(4).depth, 0);
  EXPECT_EQ(p->At(5).TypeCode(), 14);
}

TEST(TitleBuilder, LoopWithEmptyBodyAndLoopAtTheEndOfTheFileAreClosed) {
  auto p = One("while a\nwhile b\n  x = 1");
  ASSERT_EQ(p->Count(), 5);
  EXPECT_EQ(p->At(1).TypeCode(), 33);
  EXPECT_EQ(p->At(0).fields[1].number, 2);
  EXPECT_EQ(p->At(4).TypeCode(), 33);
  EXPECT_EQ(p->At(2).fields[1].number, 5);
}

TEST(TitleBuilder, LabelsResolveAcrossPagesAndIndexesMayBeGiven) {
  auto pages = CompilePages({{"main.kss", "jump other.kss:there\ncall other.ksb@7 into r with 1, \"a,b\", IntToHex(1, 2)\n"},
                             {"other.kss", "x = 1\nx = 2\nlabel there\n"}});
  const TPage& m = *pages[0];
  EXPECT_EQ(m.At(0).fields[0].text, "other.ksb");
  EXPECT_EQ(m.At(0).fields[1].number, 2);
  EXPECT_EQ(m.At(1).fields[1].number, 7);
  EXPECT_EQ(m.At(1).fields[2].text, "r");
  EXPECT_EQ(m.At(1).fields[4].list.size(), 3u);
  EXPECT_EQ(pages[1]->Name(), "other.ksb");
}

TEST(TitleBuilder, SameNamedLabelInTheCurrentPage) {
  auto p = One("label top\nx = 1\njump :top if x < 0\npcreset @3 full\n");
  EXPECT_EQ(p->At(2).fields[0].text, "main.ksb");
  EXPECT_EQ(p->At(2).fields[1].number, 0);
  EXPECT_EQ(p->At(3).fields[1].number, 3);
  EXPECT_EQ(p->At(3).fields[2].number, 1);
}

TEST(TitleBuilder, FlagsSetSkipRunOnAndLine) {
  auto p = One("!skip x = 1\n!stop !line=42 y = 2\nz = 3\n");
  EXPECT_EQ(p->At(0).skip, 1);
  EXPECT_EQ(p->At(0).runOn, 1);
  EXPECT_EQ(p->At(1).runOn, 0);
  EXPECT_EQ(p->At(1).line, 42);
  EXPECT_EQ(p->At(2).skip, 0);
}

TEST(TitleBuilder, ComponentPropertiesSetTheMaskAndMissingOnesAreEmpty) {
  auto p = One("box name = \"b1\", left = 10, PR_TOP = 2 * 3\nbox name = \"b2\"\n");
  EXPECT_TRUE(p->MaskBit(8, 0));
  EXPECT_TRUE(p->MaskBit(8, 3));
  EXPECT_TRUE(p->MaskBit(8, 4));
  EXPECT_FALSE(p->MaskBit(8, 5));
  ByteWriter w;
  p->Write(w);
  TPage back;
  back.Parse("main.ksb", w.Str());
  auto& second = static_cast<TComSceneCommand&>(back.At(1));
  ASSERT_EQ(second.props.size(), 3u);  // one expression per mask bit
  EXPECT_FALSE(second.props[0].second.Empty());
  EXPECT_TRUE(second.props[1].second.Empty());
}

TEST(TitleBuilder, VariableDeclarationsWithScopeTypeAndInitialValue) {
  auto p = One("var local str s = \"x\" ++ \"y\"\nvar 9 odd\nvar status flag \"with space\"\nvar scope:7 int n = 1\n");
  EXPECT_EQ(p->At(0).fields[0].text, "s");
  EXPECT_EQ(p->At(0).fields[1].number, 4);
  EXPECT_EQ(p->At(0).fields[3].number, 2);
  EXPECT_FALSE(p->At(0).fields[2].expr.Empty());
  EXPECT_EQ(p->At(1).fields[1].number, 9);
  EXPECT_TRUE(p->At(1).fields[2].expr.Empty());
  EXPECT_EQ(p->At(2).fields[0].text, "with space");
  EXPECT_EQ(p->At(2).fields[3].number, 3);
  EXPECT_EQ(p->At(3).fields[3].number, 7);
}

TEST(TitleBuilder, PageSettingsVersionResultAndMask) {
  auto p = One("%version 104\n%result float\n%mask image name, 26\nimage\n");
  EXPECT_EQ(p->Version(), 104u);
  EXPECT_EQ(p->ResultType(), 2);
  EXPECT_TRUE(p->MaskBit(9, 0));
  EXPECT_TRUE(p->MaskBit(9, 26));
}

TEST(TitleBuilder, JapaneseTextBecomesShiftJis) {
  auto p = One("comment \xE3\x81\x82\xE8\xA1\xA8\n");  // "あ表"
  EXPECT_EQ(p->At(0).fields[0].text, "\x82\xA0\x95\x5C");
}

TEST(TitleBuilder, ErrorsNameFileAndLine) {
  EXPECT_EQ(ErrorOf({{"main.kss", "x = 1\nbox nosuchprop = 1\n"}}), "main.kss:2: unknown property \"nosuchprop\"");
  EXPECT_EQ(ErrorOf({{"main.kss", "if a\n    x = 1\n  y = 2\n"}}),
            "main.kss:3: indentation does not match any outer line");
  EXPECT_EQ(ErrorOf({{"main.kss", "\njump other.kss:nowhere\n"}, {"other.kss", ""}}),
            "main.kss:2: no label \"nowhere\" in other.ksb");
  EXPECT_NE(ErrorOf({{"main.kss", "x = (1\n"}}).find("main.kss:1: expression"), std::string::npos);
  EXPECT_EQ(ErrorOf({{"main.kss", "x = 1\nwait 1 while a while b\n"}}), "main.kss:2: clause 'while' given twice");
  EXPECT_EQ(ErrorOf({{"main.kss", "\n\nx = \"\xFF\"\n"}}), "main.kss:3: not UTF-8, or a character without a Shift-JIS form");
}

TEST(TitleBuilder, ClausesIgnoreWordsInsideStringsAndBrackets) {
  auto p = One("wait Length(\"while\") while a[b] == \"block me\" block TRUE\n");
  EXPECT_FALSE(p->At(0).fields[0].expr.Empty());
  EXPECT_NE(p->At(0).fields[0].expr.Describe().find("block me"), std::string::npos);
  EXPECT_NE(p->At(0).fields[1].expr.Describe().find("while"), std::string::npos);
}

TEST(TitleBuilder, ProjectSourceRoundTripsThroughTheProjectFile) {
  const std::string text = SourceToShiftJis("kuzo.kpt",
      "version 110\ntitle \"\xE3\x83\x87\xE3\x83\xA2\"\nsize 640, 480\nfullsize 800 600\nstart main.kss\nexit bye.kss\n"
      "framewait 0\nvar int score = -3\nvar float ratio = 1.5\nvar flag seen = TRUE\nvar str who = \"a b\"\n"
      "var 7 odd\ndisk \"movie\", 2\n");
  ProjectFile p;
  EXPECT_THROW(ParseProjectSource("kuzo.kpt", text), BuildError);  // "size 640, 480" has a comma
  p = ParseProjectSource("kuzo.kpt", SourceToShiftJis("kuzo.kpt", "size 640 480\nstart main.kss\nexit bye.kss\nframewait 0\n"
      "var int score = -3\nvar float ratio = 1.5\nvar flag seen = TRUE\nvar str who = \"a b\"\nvar 7 odd\ndisk \"movie\", 2\n"));
  ByteWriter w;
  p.Write(w);
  ByteReader r(w.Str(), "kuzo.kpb");
  ProjectFile back;
  back.version = r.U32();
  back.ReadFields(r);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(back.width, 640);
  EXPECT_EQ(back.startPage, "main.ksb");
  EXPECT_EQ(back.exitPage, "bye.ksb");
  EXPECT_EQ(back.frameWait, 0);
  ASSERT_EQ(back.variables.size(), 5u);
  EXPECT_EQ(back.variables[0].intValue, -3);
  EXPECT_EQ(back.variables[1].floatValue, 1.5L);
  EXPECT_TRUE(back.variables[2].flagValue);
  EXPECT_EQ(back.variables[3].strValue, "a b");
  EXPECT_EQ(back.variables[4].type, 7);
  ASSERT_EQ(back.folderDisks.size(), 1u);
  EXPECT_EQ(back.folderDisks[0].second, 2);
}

TEST(TitleBuilder, BuildsADirectoryAndCopiesOtherFiles) {
  namespace fs = std::filesystem;
  const fs::path src = fs::path(KUZO_BINARY_DIR) / "title-builder-src";
  const fs::path out = fs::path(KUZO_BINARY_DIR) / "title-builder-out";
  fs::remove_all(src);
  fs::remove_all(out);
  fs::create_directories(src / "sub");
  std::ofstream(src / "kuzo.kpt") << "start main.kss\n";
  std::ofstream(src / "main.kss") << "call sub/inner.kss:x\n";
  std::ofstream(src / "sub" / "inner.kss") << "label x\n";
  std::ofstream(src / "picture.png") << "PNGDATA";
  const BuiltTitle t = BuildTitle(src, out);
  EXPECT_EQ(t.files.size(), 4u);
  EXPECT_TRUE(fs::exists(out / "kuzo.kpb"));
  EXPECT_TRUE(fs::exists(out / "main.ksb"));
  EXPECT_TRUE(fs::exists(out / "sub" / "inner.ksb"));
  EXPECT_EQ(fs::file_size(out / "picture.png"), 7u);
  std::ifstream in(out / "main.ksb", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TPage page;
  page.Parse("main.ksb", bytes);
  EXPECT_EQ(page.At(0).fields[0].text, "sub\\inner.ksb");
}

TEST(TitleBuilder, PngSourcesNamedAsDrelAreConverted) {
  namespace fs = std::filesystem;
  const fs::path src = fs::path(KUZO_BINARY_DIR) / "title-builder-drel-src";
  const fs::path out = fs::path(KUZO_BINARY_DIR) / "title-builder-drel-out";
  fs::remove_all(src);
  fs::remove_all(out);
  fs::create_directories(src / "bg");
  std::ofstream(src / "kuzo.kpt") << "start main.kss\n";
  std::ofstream(src / "main.kss") << "log = \"BG\\Title.drl\"\n";
  const std::vector<uint8_t> rgba = {10, 20, 30, 255, 40, 50, 60, 0};
  const std::vector<uint8_t> png = EncodeRgbaPng(rgba, 2, 1);
  for (const char* name : {"title.png", "other.png"}) {
    std::ofstream(src / "bg" / name, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), png.size());
  }
  BuildTitle(src, out);
  // The named picture becomes a Drel file with the same pixels; the other is copied as it is.
  EXPECT_FALSE(fs::exists(out / "bg" / "title.png"));
  EXPECT_EQ(fs::file_size(out / "bg" / "other.png"), png.size());
  std::ifstream in(out / "bg" / "title.drl", std::ios::binary);
  const std::string drel((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TDrelFrameList list;
  LoadDrelImage(list, {reinterpret_cast<const uint8_t*>(drel.data()), drel.size()}, "title.drl", false);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Version, 106);
  EXPECT_EQ(FrameToRgba(list[0]), rgba);
}

TEST(TitleBuilder, FlipWithoutModeMovesOnlyListedComponents) {
  auto p = One("flip type 3 time 500\nflip mode 0 names \"a\"\n");
  EXPECT_EQ(p->At(0).fields[field::kFlipMode].expr.Describe(), Expr::Compile("1").Describe());
  EXPECT_EQ(p->At(1).fields[field::kFlipMode].expr.Describe(), Expr::Compile("0").Describe());
  EXPECT_TRUE(p->At(0).fields[field::kFlipClear].expr.Empty());
}

}  // namespace
}  // namespace kuzo
