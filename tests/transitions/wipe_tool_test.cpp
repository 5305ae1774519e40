// kuzotool wipe end to end: two pictures written as PNG files, one frame rendered by the tool, the
// result read back and compared with the frame the transition draws in process.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "graphics/png_writer.h"
#include "tests/transitions/wipe_test_util.h"

namespace kuzo {
namespace {

namespace fs = std::filesystem;

// The PNG's pixels as blue values (all channels are equal in these pictures).
std::vector<int> ReadBlue(const fs::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) return {};
  std::vector<int> blue;
  for (size_t i = 2; i < rgb.size(); i += 3) blue.push_back(rgb[i]);
  return blue;
}

class WipeToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::path(KUZO_BINARY_DIR) / "wipe-tool";
    fs::create_directories(work_);
    std::vector<int> fv, tv, rv;
    for (int i = 0; i < 32; ++i) fv.push_back(i * 8), tv.push_back(255 - i * 8), rv.push_back(i < 16 ? 255 : 0);
    from_ = test::Grey(8, 4, fv);
    to_ = test::Grey(8, 4, tv);
    WritePngFile(from_, work_ / "from.png");
    WritePngFile(to_, work_ / "to.png");
    WritePngFile(test::Grey(8, 4, rv), work_ / "rule.png");
  }

  int Run(const std::string& args) {
    const std::string cmd = (fs::path(KUZO_BINARY_DIR) / "kuzotool").string() + " wipe " + args + " > " +
                            (work_ / "log.txt").string() + " 2>&1";
    return std::system(cmd.c_str());
  }

  fs::path work_;
  TDIBX from_, to_;
};

TEST_F(WipeToolTest, RendersTheSameFrameAsTheTransition) {
  const std::string files = (work_ / "from.png").string() + " " + (work_ / "to.png").string();
  const fs::path out = work_ / "out.png";
  ASSERT_EQ(Run("3 " + files + " 250 1000 " + out.string()), 0);
  EXPECT_EQ(ReadBlue(out), test::Frame(WipeKind::kBlindV, from_, to_, 250, 1000));
  // By name, reversed, with parameters.
  ASSERT_EQ(Run("blindh " + files + " 500 1000 " + out.string() + " --reverse --param0 3 --param1 9"), 0);
  test::FrameArgs args;
  args.reverse = true;
  args.param0 = 3;
  args.param1 = 9;
  EXPECT_EQ(ReadBlue(out), test::Frame(WipeKind::kBlindH, from_, to_, 500, 1000, args));
  // A rule image: its bright left half has changed, its dark right half not yet.
  ASSERT_EQ(Run("shadow " + files + " 500 1000 " + out.string() + " --rule " + (work_ / "rule.png").string()), 0);
  const std::vector<int> ruled = ReadBlue(out);
  ASSERT_EQ(ruled.size(), 32u);
  EXPECT_EQ(ruled[0], 255);  // the incoming picture's first pixel
  EXPECT_EQ(ruled[31], 31 * 8);
  // At the end the incoming picture shows.
  ASSERT_EQ(Run("fade " + files + " 1000 1000 " + out.string()), 0);
  EXPECT_EQ(ReadBlue(out), test::Blue(to_));
}

TEST_F(WipeToolTest, RejectsBadArguments) {
  const std::string files = (work_ / "from.png").string() + " " + (work_ / "to.png").string();
  const std::string out = (work_ / "bad.png").string();
  EXPECT_NE(Run("39 " + files + " 0 10 " + out), 0);
  EXPECT_NE(Run("nosuch " + files + " 0 10 " + out), 0);
  EXPECT_NE(Run("1 " + files + " x 10 " + out), 0);
  EXPECT_NE(Run("1 " + files + " 0 10"), 0);
  EXPECT_NE(Run("1 " + (work_ / "missing.png").string() + " " + (work_ / "to.png").string() + " 0 10 " + out), 0);
  EXPECT_NE(Run("1 " + files + " 0 10 " + out + " --param0"), 0);
}

}  // namespace
}  // namespace kuzo
