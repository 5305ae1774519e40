// The typewriter, tick by tick: start delay, typing delays scaled by Speed, negative delays, the
// fade, EVENT glyphs held until everything shown is opaque, pausing and the finished report.
#include <gtest/gtest.h>

#include "text/nk_word.h"

namespace kuzo {
namespace {

struct Reveal {
  TNkWord word;
  std::vector<std::unique_ptr<TWdPage>> pages;
  std::vector<std::string> events;

  Reveal(const std::string& markup, int32_t fadeTime, int32_t speed) {
    word.FontSize = 10;
    word.AreaWidth = 200;
    word.PageHeight = 100;
    word.FadeTime = fadeTime;
    word.Speed = speed;
    word.OnEvent = [this](const std::string& v) { events.push_back(v); };
    word.SetText(markup);
    word.Layout(pages);
    word.ResetReveal(*pages[0]);
  }
  // One frame; returns what it showed, with "!" appended when it reported the page finished.
  std::string Tick(int32_t ms) {
    std::string shown;
    if (word.Step(*pages[0], ms, &shown)) shown += "!";
    return shown;
  }
  int32_t Alpha(size_t glyph) const { return static_cast<TWdReal*>(word.Glyph(glyph))->Alpha; }
};

TEST(RevealTest, SpeedZeroShowsThePageInOneFrameThenFades) {
  Reveal r("abc", 100, 0);
  EXPECT_EQ(r.Tick(16), "");  // start delay of one frame
  EXPECT_EQ(r.Tick(16), "abc");
  EXPECT_EQ(r.Alpha(0), 0);  // the first revealing frame counts no time
  EXPECT_TRUE(r.word.HasMore(*r.pages[0]));
  EXPECT_EQ(r.Tick(50), "");
  EXPECT_EQ(r.Alpha(2), 128);  // 50 ms of 100
  EXPECT_EQ(r.word.DirtyRects.size(), 3u);
  EXPECT_EQ(r.Tick(50), "");
  EXPECT_EQ(r.Alpha(0), 255);
  EXPECT_FALSE(r.word.HasMore(*r.pages[0]));
  EXPECT_EQ(r.Tick(16), "!");  // finished is reported once, in the next step
  EXPECT_EQ(r.Tick(16), "");
}

TEST(RevealTest, TypingDelaysScaleWithSpeedAndNegativeDelaysDoNot) {
  Reveal r("<WAIT VALUE=100>ab</WAIT>c", 0, 512);  // double speed factor: 200 ms per glyph
  EXPECT_EQ(r.Tick(16), "a");                      // no start delay without fade
  EXPECT_EQ(r.Alpha(0), 255);
  EXPECT_EQ(r.Tick(150), "");
  EXPECT_EQ(r.Tick(49), "");
  EXPECT_EQ(r.Tick(1), "b");
  EXPECT_EQ(r.Tick(199), "");
  EXPECT_EQ(r.Tick(1), "c");
  EXPECT_EQ(r.Tick(1), "!");

  Reveal n("<WAIT VALUE=-30>ab", 0, 0);  // Speed 0 would remove a positive delay, not this one
  EXPECT_EQ(n.Tick(16), "a");
  EXPECT_EQ(n.Tick(16), "");
  EXPECT_EQ(n.Tick(16), "b");
  Reveal neg("<WAIT VALUE=-30>ab", 0, -1);  // a negative Speed removes it too
  EXPECT_EQ(neg.Tick(16), "ab");
}

TEST(RevealTest, EndEventStopsTheFrameAndIsReportedWhenOpaque) {
  Reveal r("a<EVENT VALUE=x END>b<EVENT VALUE=p><EVENT VALUE=q>c", 100, 0);
  r.word.EventsEnabled = true;
  EXPECT_EQ(r.Tick(16), "");
  EXPECT_EQ(r.Tick(16), "a");  // stops after the END event
  EXPECT_TRUE(r.events.empty());
  EXPECT_EQ(r.Tick(50), "");
  EXPECT_TRUE(r.events.empty());  // "a" still fading
  EXPECT_EQ(r.Tick(50), "");
  EXPECT_EQ(r.events, (std::vector<std::string>{"x"}));
  EXPECT_EQ(r.Tick(16), "b");  // the frame after an event counts no time
  EXPECT_EQ(r.Alpha(2), 0);
  EXPECT_EQ(r.Tick(100), "");
  EXPECT_EQ(r.events, (std::vector<std::string>{"x", "p", "q"}));  // consecutive events together
  EXPECT_EQ(r.Tick(16), "c");

  Reveal off("a<EVENT VALUE=x END>b", 0, 0);  // events disabled: not collected, no stop
  EXPECT_EQ(off.Tick(16), "ab");
  EXPECT_TRUE(off.events.empty());
}

TEST(RevealTest, PausingStopsTypingButNotTheFade) {
  Reveal r("<WAIT VALUE=10>abc", 20, 256);
  EXPECT_EQ(r.Tick(16), "");
  EXPECT_EQ(r.Tick(16), "a");
  r.word.Paused = true;
  EXPECT_EQ(r.Tick(20), "");
  EXPECT_EQ(r.Alpha(0), 255);
  EXPECT_FALSE(r.word.HasMore(*r.pages[0]));
  r.word.Paused = false;
  EXPECT_TRUE(r.word.HasMore(*r.pages[0]));
  EXPECT_EQ(r.Tick(16), "b");
  // Resetting hides everything and types from the start again.
  r.word.ResetReveal(*r.pages[0]);
  EXPECT_EQ(r.Alpha(0), 0);
  EXPECT_EQ(r.Tick(16), "");
  EXPECT_EQ(r.Tick(16), "a");
}

TEST(RevealTest, CaretFollowsTheNextGlyph) {
  Reveal r("<WAIT VALUE=10>ab<BR>c", 0, 256);
  r.Tick(16);
  EXPECT_EQ(r.word.CaretX, 10);
  EXPECT_EQ(r.word.CaretY, 0);
  EXPECT_EQ(r.Tick(10), "b");
  EXPECT_EQ(r.word.CaretX, 20);  // before the line break glyph
  EXPECT_EQ(r.Tick(10), "c");    // the break has no delay of its own
  EXPECT_EQ(r.word.CaretX, 10);  // after the last glyph: its right edge
  EXPECT_EQ(r.word.CaretY, 10);
  EXPECT_EQ(r.word.CaretHeight, 10);
}

}  // namespace
}  // namespace kuzo
