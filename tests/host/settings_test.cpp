// game.ini: start-up clamping, the INI reading rules, in-place editing, the settings dialog model
// and its window logic (keyboard, mouse, tab order).
#include <gtest/gtest.h>

#include "core/errors.h"
#include "host/config_dialog.h"
#include "host/ini_file.h"
#include "host/settings.h"
#include "host_test_util.h"
#include "platform/key_map.h"

namespace kuzo::host {
namespace {

using testing::ScratchDir;

SoundSettings LoadText(const ScratchDir& dir, const std::string& text) {
  return LoadSoundSettings(dir.Write("game.ini", text));
}

TEST(SettingsTest, DelayTimeIsCutToHundredsAndClamped) {
  ScratchDir dir;
  EXPECT_EQ(LoadText(dir, "[Sound]\r\nDelayTime=250\r\n").delayTimeMs, 200);
  EXPECT_EQ(LoadText(dir, "[Sound]\r\nDelayTime=50\r\n").delayTimeMs, 100);
  EXPECT_EQ(LoadText(dir, "[Sound]\r\nDelayTime=900\r\n").delayTimeMs, 500);
  EXPECT_EQ(LoadText(dir, "[Sound]\r\nDelayTime=-250\r\n").delayTimeMs, 100);
  EXPECT_EQ(LoadText(dir, "[Sound]\r\nDelayTime=399\r\n").delayTimeMs, 300);
  EXPECT_EQ(ClampDelayTime(2147483647), 500);
  EXPECT_EQ(ClampDelayTime(-2147483647 - 1), 100);
}

TEST(SettingsTest, MissingFileOrKeysLeaveTheDefaults) {
  ScratchDir dir;
  SoundSettings s = LoadSoundSettings(dir.path() / "game.ini");
  EXPECT_TRUE(s.directSound);
  EXPECT_EQ(s.delayTimeMs, 500);
  s = LoadText(dir, "[Other]\nDelayTime=100\nDirectSound=0\n");
  EXPECT_TRUE(s.directSound);
  EXPECT_EQ(s.delayTimeMs, 500);
  // A value that is not a number reads as the default.
  s = LoadText(dir, "[Sound]\nDelayTime=fast\nDirectSound=yes\n");
  EXPECT_TRUE(s.directSound);
  EXPECT_EQ(s.delayTimeMs, 500);
}

TEST(SettingsTest, FlagsAreIntegersAndNamesIgnoreCase) {
  ScratchDir dir;
  SoundSettings s = LoadText(dir, "[sound]\ndirectsound = 0 \nDELAYTIME=300\n");
  EXPECT_FALSE(s.directSound);
  EXPECT_EQ(s.delayTimeMs, 300);
  EXPECT_TRUE(LoadText(dir, "[Sound]\nDirectSound=2\n").directSound);
}

TEST(IniFileTest, IntegersAcceptSignsAndHexAndRejectOverflow) {
  IniFile ini = IniFile::Parse("[S]\na=$1F\nb=0x10\nc=-42\nd=+7\ne=4294967296\nf=12ab\ng=\nh=-2147483648\ni=\"99\"\n");
  EXPECT_EQ(ini.ReadInteger("S", "a", 0), 31);
  EXPECT_EQ(ini.ReadInteger("S", "b", 0), 16);
  EXPECT_EQ(ini.ReadInteger("S", "c", 0), -42);
  EXPECT_EQ(ini.ReadInteger("S", "d", 0), 7);
  EXPECT_EQ(ini.ReadInteger("S", "e", -1), -1);
  EXPECT_EQ(ini.ReadInteger("S", "f", -1), -1);
  EXPECT_EQ(ini.ReadInteger("S", "g", -1), -1);
  EXPECT_EQ(ini.ReadInteger("S", "h", 0), -2147483647 - 1);
  EXPECT_EQ(ini.ReadInteger("S", "i", 0), 99);
  EXPECT_EQ(ini.ReadInteger("S", "missing", 5), 5);
  EXPECT_EQ(ini.ReadInteger("T", "a", 5), 5);
}

TEST(IniFileTest, KeysAreFoundOnlyInTheirOwnSection) {
  IniFile ini = IniFile::Parse("; comment=1\n[A]\nx=1\n[B]\nx=2\n");
  EXPECT_EQ(ini.ReadInteger("A", "x", 0), 1);
  EXPECT_EQ(ini.ReadInteger("B", "x", 0), 2);
  EXPECT_FALSE(ini.ReadString("", "comment").has_value());
}

TEST(IniFileTest, WritingChangesInPlaceAndKeepsOtherLines) {
  IniFile ini = IniFile::Parse("; settings\r\n[Sound]\r\nDelayTime=300\r\n\r\n[Other]\r\nKeep=\x82\xA0\r\n");
  ini.WriteInteger("Sound", "DelayTime", 400);
  ini.WriteBool("Sound", "DirectSound", false);
  ini.WriteString("New", "Key", "v");
  EXPECT_EQ(ini.Text(),
            "; settings\r\n[Sound]\r\nDelayTime=400\r\nDirectSound=0\r\n\r\n[Other]\r\nKeep=\x82\xA0\r\n\r\n"
            "[New]\r\nKey=v\r\n");
}

TEST(IniFileTest, SaveReplacesTheFileAtomically) {
  ScratchDir dir;
  auto path = dir.Write("game.ini", "old");
  IniFile ini = IniFile::Parse("[Sound]\nDelayTime=100\n");
  ini.Save(path);
  EXPECT_EQ(dir.Read("game.ini"), "[Sound]\r\nDelayTime=100\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "game.ini.tmp"));
  // A directory that cannot take the file: an error, and nothing left behind.
  EXPECT_THROW(ini.Save(dir.path() / "absent" / "game.ini"), KuzoError);
}

TEST(IniFileTest, HugeFilesAreRefused) {
  ScratchDir dir;
  auto path = dir.Write("game.ini", std::string(2 << 20, 'x'));
  EXPECT_THROW(IniFile::Load(path), KuzoError);
}

TEST(ConfigDialogModelTest, OpensOnTheFileValuesWithinTheTrackRange) {
  ScratchDir dir;
  ConfigDialogModel m(dir.Write("game.ini", "[Sound]\nDirectSound=0\nDelayTime=900\n"));
  EXPECT_FALSE(m.SoundChecked());
  EXPECT_EQ(m.TrackPosition(), 5);
  EXPECT_EQ(m.DelayInfo(), "500ms");
  EXPECT_TRUE(m.DelayControlsEnabled());
  m.Accept();
  EXPECT_EQ(LoadSoundSettings(dir.path() / "game.ini").delayTimeMs, 500);
  EXPECT_NE(dir.Read("game.ini").find("DelayTime=500"), std::string::npos);

  ConfigDialogModel low(dir.Write("low.ini", "[Sound]\nDelayTime=50\n"));
  EXPECT_EQ(low.TrackPosition(), 1);
  EXPECT_EQ(low.DelayInfo(), "100ms");
}

TEST(ConfigDialogModelTest, OkOnAMissingFileWritesTheDefaults) {
  ScratchDir dir;
  ConfigDialogModel m(dir.path() / "game.ini");
  EXPECT_TRUE(m.SoundChecked());
  EXPECT_FALSE(m.DelayControlsEnabled());  // the delay matters only without DirectSound
  m.Accept();
  EXPECT_EQ(dir.Read("game.ini"), "[Sound]\r\nDirectSound=1\r\nDelayTime=500\r\n");
}

TEST(ConfigDialogModelTest, TrackPositionStaysInRangeAndLabelFollows) {
  ScratchDir dir;
  ConfigDialogModel m(dir.path() / "game.ini");
  m.SetTrackPosition(3);
  EXPECT_EQ(m.DelayInfo(), "300ms");
  m.SetTrackPosition(0);
  EXPECT_EQ(m.TrackPosition(), 1);
  m.SetTrackPosition(9);
  EXPECT_EQ(m.TrackPosition(), 5);
  m.SetSoundChecked(false);
  m.SetTrackPosition(2);
  m.Accept();
  SoundSettings s = LoadSoundSettings(dir.path() / "game.ini");
  EXPECT_FALSE(s.directSound);
  EXPECT_EQ(s.delayTimeMs, 200);
}

TEST(ConfigDialogTest, KeyboardDrivesTheControls) {
  namespace vk = platform::vk;
  ScratchDir dir;
  ConfigDialog d(dir.path() / "game.ini");
  // The track bar is out of the tab order while DirectSound is checked.
  d.KeyDown(vk::kTab, false);
  EXPECT_EQ(d.Focus(), ConfigDialog::Control::kOk);
  d.KeyDown(vk::kTab, false);
  d.KeyDown(vk::kTab, false);
  EXPECT_EQ(d.Focus(), ConfigDialog::Control::kCheckSound);
  d.KeyDown(vk::kSpace, false);  // uncheck
  EXPECT_FALSE(d.Model().SoundChecked());
  d.KeyDown(0x44, true);  // Alt+D: the label gives focus to the track bar
  EXPECT_EQ(d.Focus(), ConfigDialog::Control::kTrackBuff);
  d.KeyDown(vk::kLeft, false);
  d.KeyDown(vk::kLeft, false);
  EXPECT_EQ(d.Model().TrackPosition(), 3);
  d.KeyDown(vk::kEscape, false);
  EXPECT_TRUE(d.Closed());
  EXPECT_FALSE(d.Accepted());
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "game.ini"));  // Cancel writes nothing
}

TEST(ConfigDialogTest, ReturnAcceptsAndMouseUsesTheLayout) {
  ScratchDir dir;
  ConfigDialog d(dir.path() / "game.ini");
  // Click the check box, then drag the thumb to the first position.
  d.MouseDown(ConfigDialog::kCheckSound.x + 2, ConfigDialog::kCheckSound.y + 5);
  d.MouseUp(ConfigDialog::kCheckSound.x + 2, ConfigDialog::kCheckSound.y + 5);
  EXPECT_FALSE(d.Model().SoundChecked());
  auto thumb = ConfigDialog::ThumbRect(5);
  d.MouseDown(thumb.x + 2, thumb.y + 2);
  d.MouseMove(ConfigDialog::kTrackBuff.x, thumb.y, true);
  d.MouseUp(ConfigDialog::kTrackBuff.x, thumb.y);
  EXPECT_EQ(d.Model().TrackPosition(), 1);
  // A press on OK released elsewhere is no click.
  d.MouseDown(ConfigDialog::kOkButton.x + 5, ConfigDialog::kOkButton.y + 5);
  d.MouseUp(5, 5);
  EXPECT_FALSE(d.Closed());
  d.KeyDown(platform::vk::kReturn, false);
  EXPECT_TRUE(d.Accepted());
  SoundSettings s = LoadSoundSettings(dir.path() / "game.ini");
  EXPECT_FALSE(s.directSound);
  EXPECT_EQ(s.delayTimeMs, 100);
}

TEST(ConfigDialogTest, DisabledTrackBarIgnoresTheMouse) {
  ScratchDir dir;
  ConfigDialog d(dir.path() / "game.ini");
  auto thumb = ConfigDialog::ThumbRect(1);
  d.MouseDown(thumb.x + 2, thumb.y + 2);
  d.MouseUp(thumb.x + 2, thumb.y + 2);
  EXPECT_EQ(d.Model().TrackPosition(), 5);
}

}  // namespace
}  // namespace kuzo::host
