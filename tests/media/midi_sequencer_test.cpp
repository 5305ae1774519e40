// The sequencer against a port that records what it is sent: timing by ticks, looping, chasing,
// controller scaling and stopping.
#include "media/midi_sequencer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/media/midi_bytes.h"

namespace kuzo::media {
namespace {

using namespace testing;

struct Sent {
  uint32_t at;  // the clock of the tick that sent it
  std::vector<uint8_t> bytes;
  bool operator==(const Sent&) const = default;
};

class RecordingPort : public IMidiPort {
 public:
  void ShortMessage(uint8_t s, uint8_t d1, uint8_t d2) override { sent.push_back({now, {s, d1, d2}}); }
  void LongMessage(std::span<const uint8_t> b) override { sent.push_back({now, {b.begin(), b.end()}}); }
  void Reset() override { ++resets; }
  // Messages other than the all-notes-off controller (123), which stops and loops send to all 16 channels.
  std::vector<Sent> Music() const {
    std::vector<Sent> out;
    for (const auto& s : sent)
      if (!(s.bytes.size() == 3 && (s.bytes[0] & 0xF0) == 0xB0 && s.bytes[1] == 123)) out.push_back(s);
    return out;
  }
  int AllNotesOffs() const { return int(sent.size() - Music().size()); }
  std::vector<Sent> sent;
  uint32_t now = 0;
  int resets = 0;
};

// Ticks every 10 ms from `from` until `to`.
void TickUntil(TMidiPlayV& seq, RecordingPort& port, uint32_t from, uint32_t to) {
  for (uint32_t t = from; t <= to; t += 10) {
    port.now = t;
    seq.Tick(t);
  }
}

// Two notes: on at 0, off at 500, on at 500, off at 1000, end of track at 1500 (a trailing rest).
std::string TwoNotes() {
  return Smf(480, {Track({NoteOn(0, 0, 60), NoteOff(480, 0, 60), NoteOn(0, 0, 62), NoteOff(480, 0, 62), End(480)})});
}

TEST(MidiSequencerTest, EventsGoOutOnTheFirstTickAfterTheirTime) {
  TMidiPlayV seq;
  RecordingPort port;
  seq.LoadFromStream(Bytes(TwoNotes()), "two.mid");
  EXPECT_EQ(seq.Length(), 1500);
  seq.OpenPort(&port);
  seq.PlayFrom(0, 1000);
  TickUntil(seq, port, 1010, 3000);
  const std::vector<Sent> want = {{1010, {0x90, 60, 100}}, {1510, {0x80, 60, 0}}, {1510, {0x90, 62, 100}},
                                  {2010, {0x80, 62, 0}}};
  EXPECT_EQ(port.Music(), want);
  EXPECT_FALSE(seq.IsPlaying());
  EXPECT_TRUE(seq.IsFinished());
}

TEST(MidiSequencerTest, LoopingRestartsOnceTheTrailingRestHasPassed) {
  TMidiPlayV seq;
  RecordingPort port;
  seq.LoadFromStream(Bytes(TwoNotes()), "two.mid");
  seq.OpenPort(&port);
  seq.SetLoop(true);
  seq.PlayFrom(0, 0);
  TickUntil(seq, port, 10, 1500);
  EXPECT_EQ(port.Music().size(), 4u);
  EXPECT_EQ(port.AllNotesOffs(), 0) << "still resting until the end-of-track event is due";
  TickUntil(seq, port, 1510, 1520);
  EXPECT_EQ(port.AllNotesOffs(), 16);
  ASSERT_EQ(port.Music().size(), 5u);
  EXPECT_EQ(port.Music()[4], (Sent{1520, {0x90, 60, 100}}));
  EXPECT_TRUE(seq.IsPlaying());
  EXPECT_FALSE(seq.IsFinished());
}

TEST(MidiSequencerTest, ChasingSendsEverythingButNotes) {
  const auto smf = Smf(480, {Track({Program(0, 0, 5), NoteOn(0, 0, 60), Control(240, 0, 10, 30),
                                    {0, {0xE0, 0x00, 0x50}}, NoteOff(240, 0, 60), NoteOn(480, 0, 64), End(480)})});
  TMidiPlayV seq;
  RecordingPort port;
  seq.LoadFromStream(Bytes(smf), "chase.mid");
  seq.OpenPort(&port);
  seq.PlayFrom(700, 0);  // between 500 (note off) and 1000 (note on): starts at the note off's index
  EXPECT_EQ(seq.Position(), 700);
  const std::vector<Sent> chased = {{0, {0xC0, 5, 0}}, {0, {0xB0, 10, 30}}, {0, {0xE0, 0x00, 0x50}}};
  EXPECT_EQ(port.Music(), chased);
  EXPECT_EQ(port.AllNotesOffs(), 16);
  // The events after the target keep their distances from it: the note at 1000 ms is 300 ms away.
  port.sent.clear();
  TickUntil(seq, port, 10, 310);
  const std::vector<Sent> resumed = {{10, {0x80, 60, 0}}, {310, {0x90, 64, 100}}};
  EXPECT_EQ(port.Music(), resumed);
  // Playing an earlier point goes back to the start and chases again.
  port.sent.clear();
  seq.PlayFrom(0, 0);
  EXPECT_EQ(seq.Position(), 0);
  EXPECT_EQ(port.AllNotesOffs(), 16);
  EXPECT_TRUE(port.Music().empty());
  // Beyond the last event: from the first.
  seq.PlayFrom(99999, 0);
  EXPECT_EQ(seq.Position(), 0);
}

TEST(MidiSequencerTest, VolumeScalingStaysWithinDataBytes) {
  const auto smf = Smf(480, {Track({Control(0, 3, 7, 100), NoteOn(0, 3, 60), End(4800)})});
  TMidiPlayV seq;
  RecordingPort port;
  seq.LoadFromStream(Bytes(smf), "volume.mid");
  EXPECT_EQ(seq.ControllerValue(0, 7), 127) << "loading sets every channel's volume to 127";
  seq.OpenPort(&port);
  seq.SetControllerScale(7, 50);
  EXPECT_TRUE(port.sent.empty()) << "nothing is resent while stopped";
  seq.PlayFrom(0, 0);
  TickUntil(seq, port, 10, 10);
  EXPECT_EQ(port.Music().front(), (Sent{10, {0xB3, 7, 50}}));
  port.sent.clear();
  seq.SetControllerScale(7, 150);  // above 100 % would exceed a data byte
  ASSERT_EQ(port.sent.size(), 16u);
  EXPECT_EQ(port.sent[0].bytes, (std::vector<uint8_t>{0xB0, 7, 127}));
  EXPECT_EQ(port.sent[3].bytes, (std::vector<uint8_t>{0xB3, 7, 127}));
  port.sent.clear();
  seq.SetControllerScale(7, -20);
  EXPECT_EQ(port.sent[3].bytes, (std::vector<uint8_t>{0xB3, 7, 0}));
}

TEST(MidiSequencerTest, StopSilencesAndEmptyFilesEndAtTheFirstTick) {
  TMidiPlayV seq;
  RecordingPort port;
  seq.LoadFromStream(Bytes(TwoNotes()), "two.mid");
  seq.OpenPort(&port);
  seq.PlayFrom(0, 0);
  TickUntil(seq, port, 10, 100);
  seq.Stop();
  EXPECT_FALSE(seq.IsPlaying());
  EXPECT_EQ(port.AllNotesOffs(), 16);
  TickUntil(seq, port, 110, 2000);
  EXPECT_EQ(port.Music().size(), 1u) << "a stopped sequencer sends nothing";
  seq.LoadFromStream(Bytes(std::string("not midi")), "bad.mid");
  EXPECT_EQ(seq.EventCount(), 0u);
  EXPECT_TRUE(seq.IsFinished());
  seq.PlayFrom(0, 0);
  EXPECT_TRUE(seq.IsPlaying());
  seq.Tick(10);
  EXPECT_FALSE(seq.IsPlaying());
  seq.ClosePort();
  EXPECT_EQ(port.resets, 1);
}

TEST(MidiSequencerTest, WithoutAPortTimeStillPasses) {
  TMidiPlayV seq;
  seq.LoadFromStream(Bytes(TwoNotes()), "two.mid");
  seq.PlayFrom(0, 0);
  for (uint32_t t = 10; t <= 3000; t += 10) seq.Tick(t);
  EXPECT_TRUE(seq.IsFinished());
  EXPECT_FALSE(seq.IsPlaying());
  // Without looping the piece is over once its last message is out (the note off at 1000 ms, sent
  // at the tick of 1010 ms); the trailing rest only matters to a loop.
  EXPECT_EQ(seq.Position(), 1010);
  // A step after a long stall counts at most one second.
  seq.PlayFrom(0, 0);
  seq.Tick(60000);
  EXPECT_EQ(seq.Position(), 1000);
}

}  // namespace
}  // namespace kuzo::media

namespace kuzo::media {
namespace {

std::string ReadCorpusFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Every corpus file plays to its end in bounded time: each message goes out on the first tick after
// its own time (so tempo changes are honoured), and a looping play turns back at the end.
TEST(MidiSequencerTest, CorpusFilesPlayInTimeAndLoop) {
  const std::filesystem::path root = std::filesystem::path(KUZO_CORPUS_DIR) / "midi";
  if (!std::filesystem::exists(root)) GTEST_SKIP() << "no corpus";
  int played = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file() || entry.file_size() > 100000) continue;
    const std::string bytes = ReadCorpusFile(entry.path());
    const MidiFile file = ReadMidiFile(testing::Bytes(bytes), "corpus");
    TMidiPlayV seq;
    RecordingPort port;
    seq.LoadFromStream(testing::Bytes(bytes), "corpus");
    seq.OpenPort(&port);
    seq.PlayFrom(0, 0);
    uint32_t t = 0;
    while (seq.IsPlaying() && t < uint32_t(file.length) + 1000) {
      t += 10;
      port.now = t;
      seq.Tick(t);
    }
    ASSERT_FALSE(seq.IsPlaying()) << entry.path();
    // The short messages sent, in order, each no earlier than its own time.
    size_t next = 0;
    for (const Sent& s : port.Music()) {
      if (s.bytes[0] >= 0xF0) continue;  // system exclusive, checked by the unit tests above
      while (next < file.events.size() && file.events[next].messageClass != MidiMessageClass::kShort) ++next;
      ASSERT_LT(next, file.events.size()) << entry.path();
      if (file.events[next].kind == MidiKind::kControlChange) {
        EXPECT_EQ(s.bytes[1], file.events[next].bytes[1]) << entry.path();
      } else {
        EXPECT_EQ(s.bytes[0], file.events[next].bytes[0]) << entry.path();
      }
      EXPECT_GT(int64_t(s.at), int64_t(file.events[next].time)) << entry.path();
      EXPECT_LE(int64_t(s.at), int64_t(file.events[next].time) + 10) << entry.path();
      ++next;
    }
    if (file.events.size() > 2) {
      seq.SetLoop(true);
      seq.PlayFrom(0, t);
      const size_t before = port.AllNotesOffs();
      for (uint32_t end = t + uint32_t(file.length) + 50; t < end;) {
        t += 10;
        port.now = t;
        seq.Tick(t);
      }
      EXPECT_TRUE(seq.IsPlaying()) << entry.path();
      EXPECT_GE(size_t(port.AllNotesOffs()), before + 16) << entry.path() << ": the loop turned";
    }
    ++played;
  }
  EXPECT_GT(played, 100);
}

}  // namespace
}  // namespace kuzo::media
