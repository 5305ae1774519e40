// Standard MIDI File parsing through the bounded reader (numbers big-endian), and the event times.
#include "media/midi_file.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/byte_reader.h"
#include "core/errors.h"

namespace kuzo::media {

namespace {

constexpr std::string_view kHeaderTag = "MThd";
constexpr std::string_view kTrackTag = "MTrk";
constexpr uint8_t kMetaStatus = 0xFF;
constexpr uint8_t kSysExStatus = 0xF0;
constexpr uint8_t kSysExContinuation = 0xF7;
constexpr uint8_t kMetaEndOfTrack = 0x2F;
constexpr uint8_t kMetaSetTempo = 0x51;
constexpr uint8_t kGsReset[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
// A variable-length quantity has at most 4 bytes (28 bits).
constexpr int kMaxVlqBytes = 4;

uint16_t BigU16(ByteReader& r, const char* field) {
  const uint8_t hi = r.U8(field);
  return static_cast<uint16_t>(hi << 8 | r.U8(field));
}

uint32_t BigU32(ByteReader& r, const char* field) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | r.U8(field);
  return v;
}

uint32_t ReadVlq(ByteReader& r, const char* field) {
  uint32_t v = 0;
  for (int i = 0; i < kMaxVlqBytes; ++i) {
    const uint8_t b = r.U8(field);
    v = v << 7 | (b & 0x7F);
    if ((b & 0x80) == 0) return v;
  }
  r.Fail(field, "variable-length number longer than 4 bytes");
}

MidiKind KindOf(const TMidiMsgEvent& e) {
  const uint8_t status = e.bytes[0];
  if (e.messageClass == MidiMessageClass::kMeta) {
    if (e.bytes.size() >= 2 && e.bytes[1] == kMetaEndOfTrack) return MidiKind::kEndOfTrack;
    if (e.bytes.size() >= 5 && e.bytes[1] == kMetaSetTempo) return MidiKind::kSetTempo;
    return MidiKind::kOther;
  }
  if (e.messageClass == MidiMessageClass::kSystemExclusive)
    return std::equal(e.bytes.begin(), e.bytes.end(), std::begin(kGsReset), std::end(kGsReset)) ? MidiKind::kGsReset
                                                                                                  : MidiKind::kOther;
  switch (status & 0xF0) {
    case 0x80:
      return MidiKind::kNoteOff;
    case 0x90:
      return e.bytes.size() >= 3 && e.bytes[2] > 0 ? MidiKind::kNoteOn : MidiKind::kNoteOff;
    case 0xB0:
      return MidiKind::kControlChange;
    default:
      return MidiKind::kOther;
  }
}

// Reads one track's events from the reader's position; stops at end of track or a bad event.
void ReadTrack(ByteReader& r, uint16_t track, uint32_t& sequence, std::vector<TMidiMsgEvent>& out) {
  uint32_t tick = 0;
  uint8_t running = 0;
  while (!r.AtEnd()) {
    const uint32_t delta = ReadVlq(r, "delta time");
    tick = delta > std::numeric_limits<uint32_t>::max() - tick ? std::numeric_limits<uint32_t>::max() : tick + delta;
    uint8_t status = r.U8("status");
    TMidiMsgEvent e;
    e.tick = tick;
    e.track = track;
    if (status < 0x80) {
      // Running status: the byte is the first data byte of the track's previous channel message.
      if (running == 0) r.Fail("status", Format("data byte 0x%02x without a running status", status));
      e.bytes.push_back(running);
      e.bytes.push_back(status);
      status = running;
      if ((status & 0xF0) != 0xC0 && (status & 0xF0) != 0xD0) e.bytes.push_back(r.U8("data"));
    } else if (status < 0xF0) {
      running = status;
      e.bytes.push_back(status);
      e.bytes.push_back(r.U8("data"));
      if ((status & 0xF0) != 0xC0 && (status & 0xF0) != 0xD0) e.bytes.push_back(r.U8("data"));
    } else if (status == kMetaStatus) {
      e.messageClass = MidiMessageClass::kMeta;
      const uint8_t type = r.U8("meta type");
      const uint32_t length = ReadVlq(r, "meta length");
      const auto data = r.View(length, "meta data");
      e.bytes.reserve(2 + data.size());
      e.bytes.push_back(status);
      e.bytes.push_back(type);
      e.bytes.insert(e.bytes.end(), data.begin(), data.end());
    } else if (status == kSysExStatus || status == kSysExContinuation) {
      e.messageClass = MidiMessageClass::kSystemExclusive;
      const uint32_t length = ReadVlq(r, "sysex length");
      const auto data = r.View(length, "sysex data");
      e.bytes.reserve(1 + data.size());
      e.bytes.push_back(status);
      e.bytes.insert(e.bytes.end(), data.begin(), data.end());
    } else {
      // System common and real-time messages have no place in a file: skipped with their data bytes
      // (song position 2, quarter frame and song select 1, the rest none), never sent.
      const size_t dataBytes = status == 0xF2 ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0;
      r.Skip(dataBytes, "system message data");
      continue;
    }
    e.kind = KindOf(e);
    e.sequence = sequence++;
    out.push_back(std::move(e));
    if (out.back().kind == MidiKind::kEndOfTrack) return;
  }
}

}  // namespace

MidiFile ReadMidiFile(std::span<const uint8_t> data, const std::string& name) {
  MidiFile file;
  ByteReader r(data, name);
  try {
    if (r.Remaining() < 4 || r.Bytes(4, "signature") != kHeaderTag) {
      file.problem = name + ": no MThd header";
      return file;
    }
    r.Skip(4, "header length");  // the header is taken as 6 bytes whatever it says
    file.format = BigU16(r, "format");
    file.trackCount = BigU16(r, "track count");
    file.division = BigU16(r, "division");
  } catch (const FormatError& e) {
    file.problem = e.what();
    return file;
  }
  // Ticks become milliseconds through the tempo (ticks per quarter note) or, with the high bit set,
  // through SMPTE frames per second × ticks per frame, which no tempo changes.
  const bool smpte = (file.division & 0x8000) != 0;
  const int smpteFps = smpte ? -static_cast<int8_t>(file.division >> 8) : 0;
  const int smpteTicks = file.division & 0xFF;
  if (file.division == 0 || (smpte && (smpteFps <= 0 || smpteTicks == 0))) {
    file.problem = Format("%s: unusable division 0x%04x", name.c_str(), file.division);
    return file;
  }

  uint32_t sequence = 0;
  for (uint16_t t = 0; t < file.trackCount && !r.AtEnd(); ++t) {
    try {
      const std::string tag = r.Bytes(4, "track signature");
      const uint32_t length = BigU32(r, "track length");
      if (tag != kTrackTag) {
        // A chunk of another kind yields no events; its length says where the next one starts.
        r.Skip(std::min<size_t>(length, r.Remaining()), "foreign chunk");
        continue;
      }
      if (length == 0) continue;  // an empty track
      ReadTrack(r, t, sequence, file.events);
    } catch (const FormatError& e) {
      if (file.problem.empty()) file.problem = e.what();
      break;  // the rest of the data is not trustworthy
    }
  }

  std::stable_sort(file.events.begin(), file.events.end(), [](const TMidiMsgEvent& a, const TMidiMsgEvent& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.sequence < b.sequence;
  });

  // Times: each distance to the previous event at the tempo in force, rounded half to even.
  int64_t t = 0;
  uint32_t previousTick = 0;
  uint32_t tempo = kDefaultMidiTempo;
  const auto msPerTickAt = [&](uint32_t microsPerQuarter) {
    return smpte ? 1000.0f / static_cast<float>(smpteFps * smpteTicks)
                 : static_cast<float>(microsPerQuarter) / (static_cast<float>(file.division) * 1000.0f);
  };
  float msPerTick = msPerTickAt(tempo);
  constexpr int64_t kMaxTime = std::numeric_limits<int32_t>::max();
  for (TMidiMsgEvent& e : file.events) {
    const double step = std::nearbyint(static_cast<double>(msPerTick) * static_cast<double>(e.tick - previousTick));
    t = std::min<int64_t>(kMaxTime, t + static_cast<int64_t>(step));
    e.time = static_cast<int32_t>(t);
    previousTick = e.tick;
    if (e.kind == MidiKind::kSetTempo) {
      const uint32_t value = uint32_t{e.bytes[2]} << 16 | uint32_t{e.bytes[3]} << 8 | e.bytes[4];
      // A tempo of 0 would put every later event at the same instant; it is ignored.
      if (value > 0) {
        tempo = value;
        msPerTick = msPerTickAt(tempo);
      }
    }
  }
  file.length = file.events.empty() ? 0 : file.events.back().time;
  return file;
}

}  // namespace kuzo::media
