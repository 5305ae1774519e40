// Standard MIDI File reading into one time-ordered event list: every track's events with their
// absolute tick, their order of reading and their time in milliseconds under the file's tempo map.
// Damaged files load what can be read: a track stops at its first unreadable event.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kuzo::media {

enum class MidiMessageClass : uint8_t { kShort, kSystemExclusive, kMeta };

enum class MidiKind : uint8_t { kOther, kNoteOn, kNoteOff, kControlChange, kGsReset, kSetTempo, kEndOfTrack };

struct TMidiMsgEvent {
  uint32_t tick = 0;
  int32_t time = 0;  // ms from the start
  uint32_t sequence = 0;
  uint16_t track = 0;
  MidiMessageClass messageClass = MidiMessageClass::kShort;
  MidiKind kind = MidiKind::kOther;
  // Status byte first; a meta event is 0xFF, its type and its data; a system-exclusive event its
  // status byte (0xF0 or 0xF7) and its data.
  std::vector<uint8_t> bytes;
};

struct MidiFile {
  uint16_t format = 0;
  uint16_t trackCount = 0;
  uint16_t division = 0;
  std::vector<TMidiMsgEvent> events;
  int32_t length = 0;  // ms: the time of the last event
  // Why loading stopped early ("" when the whole file was read).
  std::string problem;
};

// The tempo every file starts with: microseconds per quarter note.
constexpr uint32_t kDefaultMidiTempo = 500000;

// Reads `data` (named `name` in problems). Never throws for bad data: a file without "MThd", with a
// division of 0 or with SMPTE frames of 0 ticks yields no events; unreadable tracks end early.
MidiFile ReadMidiFile(std::span<const uint8_t> data, const std::string& name);

}  // namespace kuzo::media
