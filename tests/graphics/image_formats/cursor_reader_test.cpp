// Cursor files: still ".cur" pictures with hot spots, animated ".ani" steps with rates and
// sequences, stepping on the game clock, and malformed files.
#include "graphics/image_formats/cursor_reader.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "tests/graphics/image_formats/cursor_builder.h"

namespace kuzo {
namespace {

using testing::AniFile;
using testing::CurFile;
using testing::CursorBitmap;

std::span<const uint8_t> Span(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

const uint32_t kPixels[4] = {0xFF112233, 0x80445566, 0x00000000, 0xFFFFFFFF};

TEST(CursorReaderTest, StillCursorKeepsPixelsAndHotSpot) {
  const std::string file = CurFile(CursorBitmap(kPixels), 1, 0);
  const CursorSteps c = ReadCursorFile(Span(file), "arrow.cur");
  ASSERT_EQ(c.pictures.size(), 1u);
  EXPECT_FALSE(c.Animated());
  const CursorPicture& p = c.pictures[0];
  EXPECT_EQ(p.width, 2);
  EXPECT_EQ(p.height, 2);
  EXPECT_EQ(p.hotX, 1);
  EXPECT_EQ(p.hotY, 0);
  // Top-left pixel: R 0x11, G 0x22, B 0x33, A 0xFF; top-right carries alpha 0x80.
  EXPECT_EQ(std::vector<uint8_t>(p.rgba.begin(), p.rgba.begin() + 8),
            (std::vector<uint8_t>{0x11, 0x22, 0x33, 0xFF, 0x44, 0x55, 0x66, 0x80}));
}

TEST(CursorReaderTest, HotSpotIsKeptInsideThePictureAndIconsHaveNone) {
  EXPECT_EQ(ReadCursorFile(Span(CurFile(CursorBitmap(kPixels), 40, 9)), "c").pictures[0].hotX, 1);
  const CursorSteps icon = ReadCursorFile(Span(CurFile(CursorBitmap(kPixels), 1, 1, 1)), "i");
  EXPECT_EQ(icon.pictures[0].hotX, 0);
  EXPECT_EQ(icon.pictures[0].hotY, 0);
}

TEST(CursorReaderTest, AnimatedCursorStepsThroughItsSequenceAtItsRates) {
  const std::string a = CurFile(CursorBitmap(kPixels), 0, 0);
  const uint32_t other[4] = {0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000};
  const std::string b = CurFile(CursorBitmap(other), 1, 1);
  // Three steps: frame 1 for 6 jiffies (100 ms), frame 0 for 12 (200 ms), frame 1 for 3 (50 ms).
  const std::string file = AniFile({a, b}, 3, 10, {6, 12, 3}, {1, 0, 1});
  const CursorSteps c = ReadCursorFile(Span(file), "busy.ani");
  ASSERT_EQ(c.pictures.size(), 2u);
  ASSERT_EQ(c.steps.size(), 3u);
  EXPECT_TRUE(c.Animated());
  EXPECT_EQ(c.steps[0].picture, 1);
  EXPECT_EQ(c.steps[0].durationMs, 100);
  EXPECT_EQ(c.steps[1].durationMs, 200);
  EXPECT_EQ(c.steps[2].durationMs, 50);
  EXPECT_EQ(c.pictures[1].hotX, 1);
  EXPECT_EQ(c.StepAt(0), 0);
  EXPECT_EQ(c.StepAt(99), 0);
  EXPECT_EQ(c.StepAt(100), 1);
  EXPECT_EQ(c.StepAt(299), 1);
  EXPECT_EQ(c.StepAt(300), 2);
  EXPECT_EQ(c.StepAt(350), 0);  // the sequence loops
}

TEST(CursorReaderTest, AnimatedCursorWithoutRateOrSequenceShowsFramesInOrder) {
  const std::string a = CurFile(CursorBitmap(kPixels), 0, 0);
  const CursorSteps c = ReadCursorFile(Span(AniFile({a, a}, 2, 30)), "plain.ani");
  ASSERT_EQ(c.steps.size(), 2u);
  EXPECT_EQ(c.steps[1].picture, 1);
  EXPECT_EQ(c.steps[1].durationMs, 500);
}

TEST(CursorReaderTest, MalformedFilesAreFormatErrors) {
  const std::string a = CurFile(CursorBitmap(kPixels), 0, 0);
  // A sequence naming a frame that does not exist.
  EXPECT_THROW(ReadCursorFile(Span(AniFile({a}, 1, 10, {}, {3})), "bad.ani"), FormatError);
  // No frames at all.
  EXPECT_THROW(ReadCursorFile(Span(AniFile({}, 1, 10)), "empty.ani"), FormatError);
  // Every cut of a still cursor.
  for (size_t n = 0; n < a.size(); ++n) {
    EXPECT_THROW(ReadCursorFile(Span(a.substr(0, n)), "cut.cur"), FormatError) << n;
  }
  // A directory entry pointing past the end of the file.
  std::string far = a;
  far[18] = '\x7F';
  EXPECT_THROW(ReadCursorFile(Span(far), "far.cur"), FormatError);
}

}  // namespace
}  // namespace kuzo
