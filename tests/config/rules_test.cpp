#include <gtest/gtest.h>

#include "config/host_history.h"
#include "config/shell_text.h"
#include "config/sound_events.h"
#include "config/value_rules.h"

namespace parlane {
namespace {

std::vector<std::string> Hosts(const HostHistory& h) {
  std::vector<std::string> out;
  for (const auto& e : h)
    if (!e.Free()) out.push_back(e.Host + ":" + e.Port);
  return out;
}

TEST(HostHistory, Sequences) {
  struct Case {
    std::string name;
    std::vector<std::pair<std::string, std::string>> opens;
    std::vector<std::string> expected;
  } cases[] = {
      {"reused pair moves up", {{"A", "23"}, {"B", "23"}, {"A", "23"}}, {"A:23", "B:23"}},
      {"case is ignored",
       {{"host", "23"}, {"other", "23"}, {"HOST", "23"}},
       {"HOST:23", "other:23"}},
      {"ports differ", {{"A", "23"}, {"A", "2323"}}, {"A:2323", "A:23"}},
      {"empty host changes nothing", {{"A", "23"}, {"", "23"}}, {"A:23"}},
      {"middle entry moves to the top",
       {{"A", "1"}, {"B", "2"}, {"C", "3"}, {"B", "2"}},
       {"B:2", "C:3", "A:1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HostHistory h{};
    for (const auto& [host, port] : c.opens) UpdateHostHistory(h, host, port);
    EXPECT_EQ(Hosts(h), c.expected);
  }
}

TEST(HostHistory, EleventhPairDropsTheOldestAndTextsAreCut) {
  HostHistory h{};
  for (int i = 0; i < 11; ++i) UpdateHostHistory(h, "h" + std::to_string(i), "23");
  auto hosts = Hosts(h);
  ASSERT_EQ(hosts.size(), 10u);
  EXPECT_EQ(hosts.front(), "h10:23");
  EXPECT_EQ(hosts.back(), "h1:23");
  // The oldest entry moving up when used again does not lose another one.
  UpdateHostHistory(h, "h1", "23");
  EXPECT_EQ(Hosts(h).size(), 10u);
  EXPECT_EQ(Hosts(h).front(), "h1:23");
  EXPECT_EQ(Hosts(h).back(), "h2:23");
  UpdateHostHistory(h, std::string(60, 'x'), "123456789");  // texts are cut to their fields
  EXPECT_EQ(h[0].Host.size(), 39u);
  EXPECT_EQ(h[0].Port, "123456");
}

TEST(HostHistory, DialogSetUp) {
  HostHistory h{};
  auto first = SetUpOpenTelnet(h);
  EXPECT_TRUE(first.Hosts.empty());
  EXPECT_EQ(first.Host, "");
  EXPECT_EQ(first.Port, "23");
  EXPECT_EQ(first.Selected, -1);

  UpdateHostHistory(h, "c", "3");
  UpdateHostHistory(h, "b", "2");
  UpdateHostHistory(h, "a", "1");
  auto s = SetUpOpenTelnet(h);
  EXPECT_EQ(s.Hosts, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(s.Host, "a");
  EXPECT_EQ(s.Port, "1");
  EXPECT_EQ(s.Selected, 0);
  EXPECT_EQ(HistoryPortAt(h, 2), "3");
  EXPECT_EQ(HistoryPortAt(h, 3), "");
  EXPECT_EQ(HistoryPortAt(h, -1), "");
}

TEST(HostHistory, ListPositionsSkipFreeSlots) {
  HostHistory h{};
  h[0] = {"a", "1"};
  h[2] = {"c", "3"};  // a damaged file left a hole
  EXPECT_EQ(SetUpOpenTelnet(h).Hosts, (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(HistoryPortAt(h, 1), "3");
}

// Which switch silences which event, and the BEL heard even with sounds off:
// FrameTest.SoundEventsFollowTheSwitches. Here: how the title and exit sounds play.
TEST(Sounds, TitleAndExitSounds) {
  using K = SoundAction::Kind;
  struct Case {
    SoundEvent event;
    bool off, beep;
    K kind;
    bool sync, noDefault;
  } cases[] = {
      {SoundEvent::TitleScreen, false, false, K::WaveFile, false, true},
      {SoundEvent::TitleScreen, true, false, K::Nothing, false, false},
      {SoundEvent::Beep, false, false, K::WaveFile, false, false},
      {SoundEvent::Exit, false, false, K::WaveFile, true, true},
      {SoundEvent::Exit, true, false, K::Nothing, false, false},
  };
  auto cfg = Main_Configuration_Struct::Defaults("/");
  for (size_t i = 0; i < 7; ++i) cfg.SoundFiles[i] = "s" + std::to_string(i) + ".wav";
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.event) * 10 + c.off * 2 + c.beep);
    cfg.SoundsOff = c.off;
    cfg.UseSpeakerBeep = c.beep;
    auto a = SoundFor(c.event, cfg);
    EXPECT_EQ(a.kind, c.kind);
    if (c.kind == K::WaveFile) {
      EXPECT_EQ(a.file, "s" + std::to_string(static_cast<int>(c.event)) + ".wav");
      EXPECT_EQ(a.synchronous, c.sync);
      EXPECT_EQ(a.noDefault, c.noDefault);
    }
  }
}

TEST(ShellText, Clock) {
  struct Case {
    int h, m;
    std::string_view text;
  } cases[] = {{9, 5, "9:05 AM"},   {23, 30, "11:30 PM"}, {0, 0, "12:00 AM"},
               {12, 0, "12:00 PM"}, {10, 59, "10:59 AM"}, {13, 7, "1:07 PM"}};
  for (const auto& c : cases) {
    std::tm t{};
    t.tm_hour = c.h;
    t.tm_min = c.m;
    EXPECT_EQ(ClockText(t), c.text);
  }
}

TEST(ShellText, ReceiveDirectory) {
  struct Case {
    std::string chosen;
    std::optional<std::string> dir;
  } cases[] = {
      {"/newfile", "/"},
      {"/home/Ann/Download/newfile", "/home/Ann/Download"},
      {"/home/ann//newfile", "/home/ann"},
      {"//newfile", "/"},
      {"newfile", "."},
      {"/" + std::string(300, 'd') + "/newfile", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(NormaliseReceiveDir(c.chosen), c.dir) << c.chosen;
}

TEST(Colors, DialogChecksTheExactColourOnly) {
  EXPECT_EQ(ColorIndexFor({0, 0, 0}), 0);
  EXPECT_EQ(ColorIndexFor({192, 192, 192}), 7);
  EXPECT_EQ(ColorIndexFor({255, 255, 255}), 15);
  EXPECT_EQ(ColorIndexFor({255, 165, 0}), std::nullopt);  // orange
  std::array<bool, 16> none{};
  EXPECT_EQ(ColorFromChecks(none), (Rgb{0, 0, 0}));
  std::array<bool, 16> two{};
  two[12] = two[3] = true;
  EXPECT_EQ(ColorFromChecks(two), (Rgb{128, 128, 0}));
  EXPECT_EQ((Rgb{1, 2, 3}).ToColorRef(), 0x030201u);
  EXPECT_EQ(Rgb::FromColorRef(0x00800000), (Rgb{0, 0, 128}));
}

TEST(TerminalSettings, ChoicesBothWays) {
  TerminalOptions t{2, 1, 0, 1, 0, 0};
  auto c = ChoicesFromTerminal(t);
  EXPECT_EQ(c.EmulationText, "PC ANSI");
  EXPECT_TRUE(c.ControlHChecked);
  EXPECT_FALSE(c.DeleteChecked);
  EXPECT_EQ(TerminalFromChoices(c, TerminalOptions{}), t);

  c.EmulationText = "nonsense";
  c.DeleteChecked = true;
  c.ControlHChecked = false;
  auto back = TerminalFromChoices(c, t);
  EXPECT_EQ(back.Emulation, 2u);  // unchanged
  EXPECT_EQ(back.BackspaceSendsDelete, 1u);
  EXPECT_EQ(EmulationIndexOf("SCO ANSI/ANSI"), 3u);
  EXPECT_EQ(EmulationIndexOf("ZMODEM"), std::nullopt);
  EXPECT_EQ(EmulationName(9), "");
  EXPECT_EQ(OnOffText(1), "ON");
}

}  // namespace
}  // namespace parlane
