// Fuzzes the settings file reader and its in-place editing: any text parses, a written value reads
// back, other keys keep their values, and the start-up delay stays within its range.
#include <string>

#include "fuzz/fuzz_input.h"
#include "host/ini_file.h"
#include "host/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kuzo::host;
  const std::string text(reinterpret_cast<const char*>(data), size);
  IniFile ini = IniFile::Parse(text);
  int32_t delay = ClampDelayTime(ini.ReadInteger(kSoundSection, kDelayTimeKey, kDefaultDelayTimeMs));
  if (delay < kMinDelayTimeMs || delay > kMaxDelayTimeMs || delay % kDelayStepMs != 0) __builtin_trap();
  auto other = ini.ReadString("Other", "Key");
  ini.WriteInteger(kSoundSection, kDelayTimeKey, 300);
  ini.WriteBool(kSoundSection, kDirectSoundKey, false);
  IniFile back = IniFile::Parse(ini.Text());
  if (back.ReadInteger(kSoundSection, kDelayTimeKey, -1) != 300) __builtin_trap();
  if (back.ReadBool(kSoundSection, kDirectSoundKey, true)) __builtin_trap();
  if (back.ReadString("Other", "Key") != other) __builtin_trap();
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  return {"[Sound]\r\nDirectSound=1\r\nDelayTime=500\r\n",
          "; comment\n[Other]\nKey=value\n[sound]\ndelaytime = $1F4\n",
          "[Sound]\nDelayTime=-2147483648\n[Other]\nKey=\"quoted\"\n"};
}
