// Reading MIDI files: event order, tempo maps, running status, and damaged files that load partly
// or not at all without a crash or hang.
#include "media/midi_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/media/midi_bytes.h"

namespace kuzo::media {
namespace {

using namespace testing;

std::vector<int32_t> Times(const MidiFile& f) {
  std::vector<int32_t> t;
  for (const auto& e : f.events) t.push_back(e.time);
  return t;
}

TEST(MidiFileTest, TempoChangesTimeOnlyTheEventsAfterThem) {
  // 480 ticks per quarter at 500000 µs: 480 ticks = 500 ms; then 250000 µs: 480 ticks = 250 ms.
  const auto smf = Smf(480, {Track({NoteOn(0, 0, 60), NoteOff(480, 0, 60), Tempo(0, 250000), NoteOn(0, 0, 62),
                                    NoteOff(480, 0, 62), End(480)})});
  const MidiFile f = ReadMidiFile(Bytes(smf), "tempo.mid");
  EXPECT_EQ(f.problem, "");
  EXPECT_EQ(Times(f), (std::vector<int32_t>{0, 500, 500, 500, 750, 1000}));
  EXPECT_EQ(f.length, 1000);
  EXPECT_EQ(f.events[0].kind, MidiKind::kNoteOn);
  EXPECT_EQ(f.events[1].kind, MidiKind::kNoteOff);
  EXPECT_EQ(f.events[2].kind, MidiKind::kSetTempo);
  EXPECT_EQ(f.events.back().kind, MidiKind::kEndOfTrack);
}

TEST(MidiFileTest, TracksMergeByTickThenByReadingOrder) {
  const auto smf = Smf(96, {Track({Control(10, 1, 7, 100), End(0)}), Track({Program(0, 2, 5), Control(10, 2, 10, 64), End(5)})});
  const MidiFile f = ReadMidiFile(Bytes(smf), "merge.mid");
  ASSERT_EQ(f.events.size(), 5u);
  EXPECT_EQ(f.events[0].bytes[0], 0xC2);  // tick 0
  EXPECT_EQ(f.events[1].bytes[0], 0xB1);  // tick 10, read first
  EXPECT_EQ(f.events[1].track, 0);
  EXPECT_EQ(f.events[2].bytes[0], 0xFF);  // end of track 0 at tick 10, read before track 1's
  EXPECT_EQ(f.events[3].bytes[0], 0xB2);
  EXPECT_EQ(f.events[3].track, 1);
  EXPECT_EQ(f.events[4].tick, 15u);
}

TEST(MidiFileTest, RoundingOfTickTimesIsHalfToEven) {
  // 1000 ticks per quarter at 500000 µs: 0.5 ms per tick; 1 tick = 0.5 → 0, 3 ticks = 1.5 → 2.
  const auto smf = Smf(1000, {Track({NoteOn(1, 0, 60), NoteOn(3, 0, 61), NoteOn(1, 0, 62), End(0)})});
  const MidiFile f = ReadMidiFile(Bytes(smf), "round.mid");
  EXPECT_EQ(Times(f), (std::vector<int32_t>{0, 2, 2, 2}));
}

TEST(MidiFileTest, RunningStatusAndVelocityZeroNoteOffs) {
  // Note on, then running-status data: a second note on and a velocity-0 note off.
  const auto smf = Smf(96, {Track({{0, {0x91, 60, 90}}, {0, {62, 80}}, {10, {60, 0}}, {0, {0xC1, 3}}, {0, {4}}, End(0)})});
  const MidiFile f = ReadMidiFile(Bytes(smf), "running.mid");
  ASSERT_EQ(f.events.size(), 6u);
  EXPECT_EQ(f.events[1].bytes, (std::vector<uint8_t>{0x91, 62, 80}));
  EXPECT_EQ(f.events[1].kind, MidiKind::kNoteOn);
  EXPECT_EQ(f.events[2].kind, MidiKind::kNoteOff);
  EXPECT_EQ(f.events[4].bytes, (std::vector<uint8_t>{0xC1, 4}));
}

TEST(MidiFileTest, GsResetAndSystemExclusiveMessages) {
  const auto smf = Smf(96, {Track({{0, {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}},
                                   {0, {0xF0, 0x03, 0x7E, 0x7F, 0xF7}}, End(0)})});
  const MidiFile f = ReadMidiFile(Bytes(smf), "sysex.mid");
  ASSERT_EQ(f.events.size(), 3u);
  EXPECT_EQ(f.events[0].kind, MidiKind::kGsReset);
  EXPECT_EQ(f.events[0].bytes.size(), 11u);
  EXPECT_EQ(f.events[1].kind, MidiKind::kOther);
  EXPECT_EQ(f.events[1].messageClass, MidiMessageClass::kSystemExclusive);
}

TEST(MidiFileTest, SmpteDivisionTimesWithoutTempo) {
  // 25 frames per second × 40 ticks per frame: 1 ms per tick, whatever the tempo says.
  const uint16_t division = uint16_t((uint8_t(-25) << 8) | 40);
  const auto smf = Smf(division, {Track({Tempo(0, 100000), NoteOn(250, 0, 60), End(750)})});
  const MidiFile f = ReadMidiFile(Bytes(smf), "smpte.mid");
  EXPECT_EQ(Times(f), (std::vector<int32_t>{0, 250, 1000}));
}

TEST(MidiFileTest, UnusableFilesGiveNoEvents) {
  EXPECT_TRUE(ReadMidiFile({}, "empty.mid").events.empty());
  EXPECT_TRUE(ReadMidiFile(Bytes(std::string("RIFF....")), "riff.mid").events.empty());
  const auto zeroDivision = Smf(0, {Track({NoteOn(0, 0, 60), End(10)})});
  const MidiFile f = ReadMidiFile(Bytes(zeroDivision), "zero.mid");
  EXPECT_TRUE(f.events.empty());
  EXPECT_NE(f.problem, "");
  const uint16_t noTicks = uint16_t(uint8_t(-30) << 8);
  EXPECT_TRUE(ReadMidiFile(Bytes(Smf(noTicks, {Track({End(0)})})), "smpte0.mid").events.empty());
}

TEST(MidiFileTest, DamagedTracksLoadWhatPrecedesTheDamage) {
  // A meta length beyond the file: the events before it stay.
  auto smf = Smf(96, {Track({NoteOn(0, 0, 60), NoteOff(10, 0, 60)})});
  smf += "\x05\xFF\x01\x8F\xFF\xFF\x7F";
  const MidiFile f = ReadMidiFile(Bytes(smf), "long.mid");
  EXPECT_EQ(f.events.size(), 2u);
  EXPECT_NE(f.problem.find("meta data"), std::string::npos) << f.problem;
  // Data bytes without any status, and an over-long delta.
  EXPECT_TRUE(ReadMidiFile(Bytes(Smf(96, {Track({{0, {0x40, 0x40}}})})), "nostatus.mid").events.empty());
  EXPECT_TRUE(ReadMidiFile(Bytes(Smf(96, {std::string("MTrk\0\0\0\5\x80\x80\x80\x80\x01", 13)})), "vlq.mid").events.empty());
  // A tempo of 0 is ignored rather than stacking every later event at one instant.
  const auto zeroTempo = Smf(480, {Track({Tempo(0, 0), NoteOn(480, 0, 60), End(480)})});
  EXPECT_EQ(Times(ReadMidiFile(Bytes(zeroTempo), "t0.mid")), (std::vector<int32_t>{0, 500, 1000}));
}

TEST(MidiFileTest, SystemMessagesAndForeignChunksAreSkipped) {
  const auto smf = Smf(96, {std::string("XTRA\0\0\0\3abc", 11),
                            Track({{0, {0xF2, 1, 2}}, {0, {0xF8}}, NoteOn(0, 0, 60), {0, {0xF1, 5}}, End(96)})});
  const MidiFile f = ReadMidiFile(Bytes(smf), "system.mid");
  ASSERT_EQ(f.events.size(), 2u);
  EXPECT_EQ(f.events[0].kind, MidiKind::kNoteOn);
  EXPECT_EQ(f.events[1].time, 500);
}

std::string ReadWhole(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(MidiFileTest, CorpusLoadsWithoutCrashingAndSongsHaveTheirLengths) {
  const std::filesystem::path root = std::filesystem::path(KUZO_CORPUS_DIR) / "midi";
  if (!std::filesystem::exists(root)) GTEST_SKIP() << "no corpus";
  int withEvents = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const std::string bytes = ReadWhole(entry.path());
    const MidiFile f = ReadMidiFile(Bytes(bytes), entry.path().filename().string());
    for (size_t i = 1; i < f.events.size(); ++i) ASSERT_LE(f.events[i - 1].time, f.events[i].time) << entry.path();
    if (!f.events.empty()) ++withEvents;
  }
  EXPECT_GT(withEvents, 120);
  // A piece with many tempo changes: its length in ms is its tempo map, not ticks at one tempo.
  const std::string song = ReadWhole(root / "songs/dmidiplayer_Schubert_Standchen.mid");
  const MidiFile f = ReadMidiFile(Bytes(song), "standchen");
  EXPECT_EQ(f.problem, "");
  int tempos = 0;
  for (const auto& e : f.events) tempos += e.kind == MidiKind::kSetTempo;
  EXPECT_EQ(tempos, 72);
  EXPECT_GT(f.length, 60000);
  EXPECT_EQ(ReadMidiFile(Bytes(ReadWhole(root / "torture/jazz-soft/test-not-a-midi-file.mid")), "x").events.size(), 0u);
}

}  // namespace
}  // namespace kuzo::media
