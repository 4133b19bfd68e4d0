// The "Test" tab's commands, the feedback monitor, pyractl's monitor and set-aspect commands and
// the help tools, replayed from the transcripts in tests/data: what is done, what the module
// answers, and the exact bytes, messages and texts that must come of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "helptools/HelpTools.h"
#include "link/Frame.h"
#include "monitor/CliCommands.h"
#include "monitor/FeedbackMonitor.h"
#include "monitor/TestCommands.h"
#include "support/ScriptedChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra::test {
namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (char ch : text) out += ch == '\r' ? "\\r" : ch == '\n' ? "\\n" : std::string(1, ch);
  return out;
}

std::vector<uint8_t> Bytes(const std::string& hex) {
  std::istringstream in(hex.substr(0, hex.find('#')));
  std::vector<uint8_t> bytes;
  for (int b = 0; in >> std::hex >> b;) bytes.push_back(static_cast<uint8_t>(b));
  return bytes;
}

// One block of a transcript on a fresh link. The aspect editor's "Test" button acts on pin 5
// (first Lumo address 40), aspect 2, with the flexible Lumo block from address 9 * 4.
class Transcript {
 public:
  Transcript() {
    auto channel = std::make_unique<ScriptedChannel>(clock_);
    channel_ = channel.get();
    link_.Open(std::move(channel));
    link_.State().ToggleBit = 64;  // no link reset before the first frame
    model_.CurrentPin = 5;
    model_.CurrentAspect = 2;
    model_.LumoStart[5] = 40;
    model_.Settings.LumoModeAddress = 9;
  }

  void Run(const std::vector<std::string>& lines) {
    std::vector<std::string> frames, messages;
    std::string shown;
    for (const std::string& line : lines) {
      const std::string rest = line.substr(std::min(line.find(' ') + 1, line.size()));
      if (line[0] == '>') {
        frames.push_back(Hex(Bytes(rest)));
      } else if (line[0] == '<') {
        const bool late = rest[0] == '+';
        channel_->QueueReply(Bytes(late ? rest.substr(rest.find(' ')) : rest),
                             std::chrono::milliseconds(late ? std::stoi(rest) : 0));
      } else if (line[0] == '!') {
        messages.push_back(rest);
      } else if (line[0] == '=') {
        shown += rest;
      } else {
        std::istringstream actions(line);
        for (std::string action; std::getline(actions, action, ';');) Act(action);
      }
    }
    // The bytes written, cut where the expected frames end, so a difference shows frame by frame.
    const std::vector<uint8_t>& w = channel_ ? channel_->Written() : sent_before_close_;
    std::vector<std::string> written;
    for (std::size_t at = 0, k = 0; at < w.size(); ++k) {
      const std::size_t n = k < frames.size() ? Bytes(frames[k]).size() : w.size();
      written.push_back(Hex(std::span(w).subspan(at, std::min(n, w.size() - at))));
      at += n;
    }
    EXPECT_EQ(written, frames);
    constexpr const char* kIcons[] = {"none", "warning", "exclamation", "information", "error"};
    std::vector<std::string> shown_messages;
    for (const auto& m : prompter_.All())
      shown_messages.push_back(kIcons[static_cast<int>(m.icon)] + (" " + Escaped(m.text)));
    EXPECT_EQ(shown_messages, messages);
    EXPECT_EQ(Escaped(monitor_.Text() + out_.str()), shown);
    if (channel_) {
      EXPECT_EQ(channel_->PendingReplies(), 0u) << "a reply was never read";
    }
  }

 private:
  void Act(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> t;
    for (std::string token; in >> token;) t.push_back(token);
    int matched = 0;
    auto is = [&](const char* verb) { return t[0] == verb && ++matched; };
    auto n = [&t](std::size_t k) { return std::stoi(t.at(k)); };
    auto has = [&t](const char* key) { return t.at(1).find(key) != std::string::npos; };
    auto exit = [this](int status) {
      out_ << "exit " << status << "\n";
      EXPECT_EQ(&link_.GetPrompter(), &prompter_) << "the caller's prompter is back";
    };
    if (is("module")) link_.State().ModuleAddress = static_cast<uint8_t>(n(1));
    if (is("bd")) link_.State().Bidirectional = n(1) != 0;
    if (is("close")) {
      // The link owns the channel: keep what went out before it goes with the link.
      sent_before_close_ = channel_->Written();
      link_.Close();
      channel_ = nullptr;
    }
    if (is("base")) model_.NumberBase = n(1);
    if (is("set")) PyraSetAspect(link_, tab_, n(1), t.at(2));
    if (is("matrix")) {
      std::array<bool, kMatrixBoxes> ticked{};
      for (char box : t.at(2)) ticked.at(box == '-' ? 0 : box - '0') = box != '-';
      SetMatrix(link_, n(1), ticked);
    }
    if (is("lumo")) SendLumo(link_, {t.at(1), t.at(2), t.at(3)});
    if (is("reset")) LumoReset(link_, n(1));
    if (is("clear")) ClearAll(link_, n(1));
    if (is("lamp")) LampTest(link_, n(1));
    if (is("test")) {
      model_.Pins[5].LumoCount = static_cast<uint8_t>(n(3));
      model_.Settings.LumoFlex = t.at(2) == "flex";
      const int keys = (has("shift") ? kShiftKey : 0) + (has("ctrl") ? kCtrlKey : 0) +
                       (has("alt") ? kAltKey : 0);
      TestAspect(link_, model_, keys, !has("right"));
    }
    if (is("fbm-start")) monitor_.Start(link_);
    if (is("fbm-tick")) monitor_.Tick(link_);
    if (is("fbm-stop")) monitor_.FocusLost();
    if (is("fbm-clear")) monitor_.Clear();
    if (is("fbm-begin") && !monitor_.BeginPoll()) ADD_FAILURE() << "no poll began";
    if (is("fbm-end")) monitor_.EndPoll(FeedbackLine({n(1), n(2), n(3), n(4)}));
    const std::atomic<bool> stop{true};
    if (is("cli-monitor")) {
      exit(t.at(1) == "stop" ? RunMonitorCommand(link_, {}, out_, &stop)
                             : RunMonitorCommand(link_, n(1), out_));
    }
    if (is("cli-set")) exit(RunSetAspectCommand(link_, n(1), n(2), t.at(3) == "map", out_));
    if (is("args-set")) {
      const SetAspectArguments r =
          ParseSetAspectArguments(t.at(1), t.at(2), t.at(3) == "map", n(4));
      out_ << r.target << " " << r.aspect << " " << r.error << "\n";
    }
    if (is("args-count"))
      out_ << ParseMonitorCount(t.at(1)).count << " " << ParseMonitorCount(t.at(1)).error << "\n";
    if (is("ct")) ct_.Open(t.at(1), t.at(2));
    if (is("ct-slider")) ct_.MoveSlider(n(1));
    if (is("ct-base")) ct_.CommitBase(t.at(1));
    if (is("ct-cancel")) ct_.Cancel();
    if (is("ct?"))
      out_ << ct_.BaseText() << " " << ct_.Time() << " " << ct_.TimeValue() << " "
           << ct_.MaxTimeValue() << "\n";
    if (is("level")) level_.Open(t.at(1));
    if (is("level-level")) level_.EditLevel(t.at(1), t.at(2) == "leave");
    if (is("level-index")) level_.EditTimeIndex(t.at(1), t.at(2) == "leave");
    if (is("level-cancel")) level_.Cancel();
    if (is("level?"))
      out_ << level_.ParameterText() << " " << level_.LevelText() << " " << level_.TimeIndexText()
           << " " << level_.Delay() << "\n";
    if (is("pattern")) pattern_.Open(t.at(1), n(2));
    if (is("pattern-out")) pattern_.SetOutput(n(1), n(2));
    if (is("pattern-alldark")) pattern_.SetAllDark(n(1));
    if (is("pattern-nodark")) pattern_.SetNoDark(n(1));
    if (is("pattern-cancel")) pattern_.Cancel();
    if (is("pattern?")) {
      out_ << pattern_.ParameterText() << " " << pattern_.OriginalText() << " ";
      for (int i = 0; i < 2 * kPatternOutputs; ++i)
        out_ << (i < kPatternOutputs ? pattern_.Output(i)
                                     : pattern_.OutputEnabled(i - kPatternOutputs))
             << (i == kPatternOutputs - 1 ? " " : "");
      out_ << " " << pattern_.AllDark() << " " << pattern_.NoDark() << " " << pattern_.DarkEnabled()
           << "\n";
    }
    if (is("event")) event_.Open(t.at(1));
    if (is("event-in")) event_.SetInput(n(1), n(2));
    if (is("event-opt")) event_.SelectOption(n(1));
    if (is("event-cancel")) event_.Cancel();
    if (is("event?")) {
      out_ << event_.ParameterText() << " " << event_.OriginalText() << " ";
      for (int i = 0; i < kEventInputs; ++i) out_ << event_.Input(i);
      out_ << " " << event_.SelectedOption() << "\n";
    }
    if (is("dispatch") || is("choose")) {
      constexpr const char* kBoxes[] = {"par1", "par2", "par3", "time"};
      const auto box = static_cast<HelpBox>(std::ranges::find(kBoxes, t.at(2)) - kBoxes);
      model_.Pins[5].Aspects[2].Steps[4].Opcode = static_cast<uint8_t>(n(1));
      const HelpToolChoice choice = t[0] == "dispatch" ? DispatchHelpTool(prompter_, model_, 4, box)
                                                       : ChooseHelpTool(n(1), box);
      constexpr const char* kKinds[] = {"none", "level", "pattern", "event", "cycle"};
      out_ << kKinds[static_cast<int>(choice.kind)] << " " << choice.outputs << "\n";
    }
    if (is("clock"))
      out_ << "at " << clock_.Now().time_since_epoch() / std::chrono::milliseconds(1) << " ms\n";
    EXPECT_EQ(matched, 1) << "not one action: " << line;
  }

  ManualClock clock_;
  ScriptedPrompter prompter_;
  Link link_{clock_, prompter_};
  ScriptedChannel* channel_ = nullptr;
  std::vector<uint8_t> sent_before_close_;
  Configuration model_ = DefaultConfiguration();
  TestTabState tab_;
  FeedbackMonitor monitor_;
  std::ostringstream out_;
  CycleTimeCalculator ct_;
  LevelCalculator level_;
  PatternCalculator pattern_;
  EventPatternCalculator event_;
};

class TranscriptTest : public ::testing::TestWithParam<const char*> {};

TEST_P(TranscriptTest, EveryBlockGivesItsBytesMessagesAndTexts) {
  std::ifstream file(std::string(PYRA_TEST_DATA) + "/" + GetParam());
  std::vector<std::pair<std::string, std::vector<std::string>>> blocks;
  for (std::string line; std::getline(file, line);) {
    if (line.rfind("== ", 0) == 0) {
      blocks.push_back({line.substr(3), {}});
    } else if (!line.empty() && line[0] != '#' && !blocks.empty()) {
      blocks.back().second.push_back(line);
    }
  }
  EXPECT_GT(blocks.size(), 3u);
  for (const auto& [name, lines] : blocks) {
    SCOPED_TRACE(name);
    Transcript().Run(lines);
  }
}

INSTANTIATE_TEST_SUITE_P(Monitor, TranscriptTest,
                         ::testing::Values("monitor/test_commands.txt", "monitor/monitor.txt",
                                           "monitor/cli.txt", "helptools/calculators.txt"),
                         [](const auto& info) {
                           const std::string name = info.param;
                           return name.substr(name.find('/') + 1,
                                              name.find('.') - name.find('/') - 1);
                         });

// Opening the event-pattern tool is the inverse of its recompute: every value with an action
// comes back unchanged; without an action the Off bit has no option to show and is lost.
TEST(EventPatternToolTest, OpensEveryValueAsItIsComposed) {
  for (int v = 0; v <= 127; ++v) {
    EventPatternCalculator tool;
    tool.Open(std::to_string(v));
    EXPECT_EQ(tool.ParameterText(), std::to_string((v & 48) != 0 ? v : v & 15)) << v;
  }
}

}  // namespace
}  // namespace pyra::test
