// The system variables the host answers: the screen ("@FullScr", the display modes, GetDisplayMode)
// through the screen manager or the headless screen, the clocks, and links opened headless.
#include "host/host_variables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/host_state.h"
#include "host/headless_runner.h"
#include "host/screen_manager.h"
#include "media/media_system.h"
#include "vars/param_collection.h"

namespace kuzo::host {
namespace {

struct Variables {
  HostVariables host;
  TParamCollection table;
  Screen* screen = nullptr;

  Variables() {
    host.BindScreen([this] { return screen; });
    table.SetHost(&host);
  }
  TCustomParam& Var(const char* name) { return *table.Find(name)->Param(); }
};

TEST(HostVariablesTest, FullScreenAndModesDriveTheScreenManager) {
  std::vector<bool> switches;
  TScreenManager sm(320, 240, 800, 600, {{640, 480, 32, 60}, {800, 600, 32, 60}, {1024, 768, 16, 75}}, 32, nullptr,
                    [&](bool on) {
                      switches.push_back(on);
                      return true;
                    });
  sm.SetMode(TScreenManager::kModeWindow);
  Variables v;
  v.screen = &sm;
  EXPECT_EQ(v.Var("@DisplayModeCount").AsInteger(), 3);
  EXPECT_EQ(v.Var("@DisplayModeIndex").AsInteger(), 1);  // the wanted 800x600
  EXPECT_FALSE(v.Var("@FullScr").AsBoolean());

  v.Var("@FullScr").SetBoolean(true);
  EXPECT_TRUE(v.Var("@FullScr").AsBoolean());
  EXPECT_EQ(sm.CurrentMode(), 1);
  // Picking another mode while full screen switches to it; an unknown index changes nothing.
  v.Var("@DisplayModeIndex").SetInteger(2);
  EXPECT_EQ(sm.CurrentMode(), 2);
  v.Var("@DisplayModeIndex").SetInteger(3);
  v.Var("@DisplayModeIndex").SetInteger(-1);
  EXPECT_EQ(v.Var("@DisplayModeIndex").AsInteger(), 2);
  v.Var("@FullScr").SetString("0");
  EXPECT_FALSE(sm.FullScreen());
  EXPECT_EQ(switches, (std::vector<bool>{true, false}));
  // In the window, picking a mode only chooses it for the next switch.
  v.Var("@DisplayModeIndex").SetInteger(0);
  EXPECT_FALSE(sm.FullScreen());
  v.Var("@FullScr").SetBoolean(true);
  EXPECT_EQ(sm.CurrentMode(), 0);

  std::array<int32_t, 4> mode{};
  EXPECT_TRUE(v.host.DisplayMode(2, mode));
  EXPECT_EQ(mode, (std::array<int32_t, 4>{1024, 768, 16, 75}));
  EXPECT_FALSE(v.host.DisplayMode(3, mode));
}

TEST(HostVariablesTest, HeadlessScreenRemembersFullScreenAndHasNoModes) {
  HeadlessScreen headless;
  Variables v;
  v.screen = &headless;
  v.Var("@FullScr").SetBoolean(true);
  EXPECT_TRUE(v.Var("@FullScr").AsBoolean());
  EXPECT_EQ(v.Var("@DisplayModeCount").AsInteger(), 0);
  EXPECT_EQ(v.Var("@DisplayModeIndex").AsInteger(), -1);
  // Before a screen exists every value is neutral and writes go nowhere.
  Variables none;
  none.Var("@FullScr").SetBoolean(true);
  EXPECT_FALSE(none.Var("@FullScr").AsBoolean());
  EXPECT_EQ(none.Var("@DisplayModeCount").AsInteger(), 0);
}

TEST(HostVariablesTest, ClockVariablesReadTheBoundClock) {
  uint32_t ms = 0;
  const HostClock clock(CivilSeconds(2024, 2, 29, 23, 59, 59), [&ms] { return ms; });
  Variables v;
  v.host.BindClock(&clock);
  EXPECT_EQ(v.Var("@Day").AsInteger(), 29);
  EXPECT_EQ(v.Var("@Week").AsInteger(), 5);  // a Thursday
  ms = 1500;
  EXPECT_EQ(v.Var("@PCTickCount").AsInteger(), 1500);
  EXPECT_EQ(v.Var("@Year").AsInteger(), 2024);
  EXPECT_EQ(v.Var("@Month").AsInteger(), 3);
  EXPECT_EQ(v.Var("@Day").AsInteger(), 1);
  EXPECT_EQ(v.Var("@Hour").AsInteger(), 0);
  EXPECT_EQ(v.Var("@Min").AsInteger(), 0);
  EXPECT_EQ(v.Var("@Sec").AsInteger(), 0);
}

TEST(HostVariablesTest, HeadlessLinksAreLoggedNotOpened) {
  HostState state;
  state.headless = true;
  std::vector<std::string> lines;
  state.log = [&](const std::string& line) { lines.push_back(line); };
  HostVariables host;
  host.BindHost(&state);
  host.OpenUrl("http://example.com/");
  EXPECT_EQ(lines, (std::vector<std::string>{"OpenUrl http://example.com/"}));
}

}  // namespace
}  // namespace kuzo::host

namespace kuzo::host {
namespace {

TEST(HostVariablesTest, MidiPortsComeFromTheMidiManager) {
  Variables v;
  // Without a media system there are no ports and the selected name is empty.
  EXPECT_EQ(v.Var("@MidiPorts").Count(), 0);
  EXPECT_EQ(v.Var("@MidiPort").AsString(), "");
  media::MediaSystem media(media::MediaFiles{}, media::MediaSettings{true, 500, "/nonexistent.sf2"});
  v.host.BindMedia([&media] { return &media; });
  TCustomParam& ports = v.Var("@MidiPorts");
  ASSERT_EQ(ports.Count(), 2);
  EXPECT_EQ(ports.StringAt(0), "MIDIマッパー");
  EXPECT_EQ(ports.StringAt(1), media.Midi().PortName(1));
  EXPECT_EQ(v.Var("@MidiPort").AsString(), "MIDIマッパー");
  // Selecting by name; an unknown name selects the mapper.
  v.Var("@MidiPort").SetString(ports.StringAt(1));
  EXPECT_EQ(media.Midi().SelectedPort(), 1);
  EXPECT_EQ(v.Var("@MidiPort").AsString(), ports.StringAt(1));
  v.Var("@MidiPort").SetString("no such port");
  EXPECT_EQ(media.Midi().SelectedPort(), 0);
  v.host.BindMedia(nullptr);
}

}  // namespace
}  // namespace kuzo::host
