// Standard MIDI Files built in tests: a header and tracks of (delta, bytes) events.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kuzo::media::testing {

inline void PutVlq(std::string& out, uint32_t v) {
  std::string bytes(1, static_cast<char>(v & 0x7F));
  while (v >>= 7) bytes.insert(bytes.begin(), static_cast<char>(0x80 | (v & 0x7F)));
  out += bytes;
}

inline void PutBig(std::string& out, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct TrackEvent {
  uint32_t delta;
  std::vector<uint8_t> bytes;  // as stored after the delta (status or running data first)
};

inline std::string Track(const std::vector<TrackEvent>& events) {
  std::string body;
  for (const auto& e : events) {
    PutVlq(body, e.delta);
    body.append(e.bytes.begin(), e.bytes.end());
  }
  std::string out = "MTrk";
  PutBig(out, static_cast<uint32_t>(body.size()), 4);
  return out + body;
}

inline std::string Smf(uint16_t division, const std::vector<std::string>& tracks, uint16_t format = 1) {
  std::string out = "MThd";
  PutBig(out, 6, 4);
  PutBig(out, format, 2);
  PutBig(out, static_cast<uint32_t>(tracks.size()), 2);
  PutBig(out, division, 2);
  for (const auto& t : tracks) out += t;
  return out;
}

inline TrackEvent Tempo(uint32_t delta, uint32_t microsPerQuarter) {
  return {delta,
          {0xFF, 0x51, 0x03, uint8_t(microsPerQuarter >> 16), uint8_t(microsPerQuarter >> 8), uint8_t(microsPerQuarter)}};
}
inline TrackEvent End(uint32_t delta) { return {delta, {0xFF, 0x2F, 0x00}}; }
inline TrackEvent NoteOn(uint32_t delta, uint8_t ch, uint8_t key, uint8_t vel = 100) {
  return {delta, {uint8_t(0x90 | ch), key, vel}};
}
inline TrackEvent NoteOff(uint32_t delta, uint8_t ch, uint8_t key) { return {delta, {uint8_t(0x80 | ch), key, 0}}; }
inline TrackEvent Control(uint32_t delta, uint8_t ch, uint8_t cc, uint8_t value) {
  return {delta, {uint8_t(0xB0 | ch), cc, value}};
}
inline TrackEvent Program(uint32_t delta, uint8_t ch, uint8_t program) { return {delta, {uint8_t(0xC0 | ch), program}}; }

inline std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

}  // namespace kuzo::media::testing
