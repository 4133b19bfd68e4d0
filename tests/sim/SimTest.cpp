// The simulator as a peer: the bytes it answers, what it keeps and does (tests/data/sim), the
// in-process line that carries its bytes, and a Velora route that meets another module's reply.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <map>

#include "Golden.h"
#include "link/Frame.h"
#include "link/Link.h"
#include "link/VeloraSetup.h"
#include "operations/Identity.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra::sim {
namespace {

using std::chrono::milliseconds;

std::vector<uint8_t> Bytes(const std::vector<std::string>& hex) {
  std::vector<uint8_t> bytes;
  for (const std::string& h : hex) bytes.push_back(static_cast<uint8_t>(std::stoi(h, nullptr, 16)));
  return bytes;
}

const std::map<std::string, Fault> kFaults = {
    {"NoReply", Fault::kNoReply},           {"BadChecksum", Fault::kBadChecksum},
    {"WrongAddress", Fault::kWrongAddress}, {"StaleToggle", Fault::kStaleToggle},
    {"NoiseBefore", Fault::kNoiseBefore},   {"WrongXAddress", Fault::kWrongXAddress},
    {"SlowReply", Fault::kSlowReply},       {"ShortReply", Fault::kShortReply}};

// One case of tests/data/sim/module.txt; the rows are explained at the top of that file.
void RunModuleCase(const golden::Case& c) {
  ManualClock clock;
  SimBus bus;
  SimModule& module = bus.Add({});
  module.SetClock(&clock);
  std::unique_ptr<SimVeloraUnit> unit;
  std::vector<uint8_t> out;
  Clock::Duration delay{};
  std::size_t acts = 0, says = 0;
  std::vector<std::string> said;
  for (const std::string& row : c.rows) {
    SCOPED_TRACE(row);
    const std::vector<std::string> w = golden::Words(row);
    const auto n = [&](std::size_t i) { return std::stoi(w.at(i)); };
    const std::string& k = w[0];
    if (k == "module") {
      module.GetConfig() = {
          .address = n(1), .extended_address = n(2), .latency = milliseconds(n(3))};
    } else if (k == "velora") {
      unit =
          std::make_unique<SimVeloraUnit>(bus, SimVeloraUnit::Config{n(1), n(2), n(3), n(4), n(5)});
    } else if (k == "silent") {
      unit->GetConfig().answers = false;
    } else if (k == "corrupt") {
      unit->CorruptNextAnswer();
    } else if (k == ">") {
      out.clear();
      for (uint8_t b : Bytes({w.begin() + 1, w.end()})) {
        auto e = unit ? unit->Receive(b) : module.Receive(b);
        if (e) out.insert(out.end(), e->bytes.begin(), e->bytes.end());
        if (e) delay = e->delay;
      }
    } else if (k == "<") {
      EXPECT_EQ(Hex(out), w.at(1) == "-" ? "" : golden::Rest(row, 1));
    } else if (k == "delay") {
      EXPECT_EQ(delay, milliseconds(n(1)));
    } else if (k == "fault") {
      module.InjectFault(kFaults.at(w.at(1)), w.size() > 2 ? n(2) : 1);
    } else if (k == "w" || k == "r") {
      SimModule::Request request;
      request.address = module.GetConfig().address;
      request.wants_reply = k == "r";
      std::size_t i = 1;
      for (; i < w.size() && w[i][0] == '@'; ++i) {
        const int v = std::stoi(w[i].substr(2));
        if (w[i][1] == 'a') request.address = v;
        if (w[i][1] == 'x') request.extended_address = v;
      }
      for (; i < w.size() && w[i] != "->"; ++i) request.payload.push_back(std::stoi(w[i]));
      const auto reply = module.Handle(request);
      if (i + 1 < w.size() && w[i + 1] != "-") {
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->payload, golden::Ints(w, i + 1));
      } else {
        EXPECT_FALSE(reply);
      }
    } else if (k == "count") {
      EXPECT_EQ(module.CountRequests(n(1), n(2)), n(3));
    } else if (k == "requests") {
      EXPECT_EQ(static_cast<int>(module.Requests().size()), n(1));
    } else if (k == "resets") {
      EXPECT_EQ(module.ResetFrames(), n(1));
    } else if (k == "erases") {
      EXPECT_EQ(module.Erases(), n(1));
    } else if (k == "factory") {
      EXPECT_EQ(module.Memory() == FactoryMemory(), n(1) == 1);
    } else if (k == "transparent") {
      EXPECT_EQ(unit->Transparent(), n(1) == 1);
    } else if (k == "activate") {
      // The tool's "Activate Transparent Mode" on a line to the unit; the answer to its question.
      test::ScriptedPrompter prompter;
      if (w.size() > 1) prompter.QueueAnswer(w[1] == "yes" ? Answer::kYes : Answer::kNo);
      Link link{clock, prompter};
      link.Open(std::make_unique<SimChannel>(clock, *unit, 19200));
      ActivateTransparentMode(link);
      said = prompter.Texts();
    } else if (k == "says") {
      std::string text = golden::Rest(row, 1);
      for (std::size_t at; (at = text.find("\\r\\n")) != std::string::npos;)
        text.replace(at, 4, "\r\n");
      EXPECT_EQ(said.at(says++), text);
    } else if (k == "older") {
      module.OlderFormat(n(1), n(2), n(3), n(4));
    } else if (k == "act") {
      ASSERT_LT(acts, module.LayoutCommands().size());
      EXPECT_EQ(module.LayoutCommands()[acts++].text, golden::Rest(row, 1));
    } else if (k == "aspect") {
      EXPECT_EQ(module.PinAspect(n(1)), n(2));
    } else if (k == "feedback") {
      module.SetFeedback({n(1), n(2), n(3), n(4)});
    } else if (k == "toggle") {
      module.SetTogglingInput(SimModule::TogglingInput{n(1), n(2), milliseconds(n(3))});
    } else if (k == "at") {
      clock.Advance(Clock::TimePoint(milliseconds(n(1))) - clock.Now());
    } else {
      ADD_FAILURE() << "unknown row";
    }
  }
  EXPECT_EQ(acts, module.LayoutCommands().size()) << "the module did more on the layout";
  EXPECT_EQ(says, said.size()) << "the tool said more";
}

TEST(SimModuleTest, AnswersAndActsAsItsGoldenTranscriptsSay) {
  for (const golden::Case& c : golden::ReadCases("sim/module.txt")) {
    SCOPED_TRACE(c.name);
    RunModuleCase(c);
  }
}

// ---- The in-process line ----

// Answers each byte 0x01 with the next emission the test queued.
class EchoDevice final : public SimDevice {
 public:
  std::optional<Emission> Receive(uint8_t byte) override {
    received.push_back(byte);
    if (byte != 0x01 || emissions.empty()) return std::nullopt;
    Emission e = emissions.front();
    emissions.pop_front();
    return e;
  }
  std::vector<uint8_t> received;
  std::deque<Emission> emissions;
};

class SimChannelTest : public ::testing::Test {
 protected:
  void Trigger(std::vector<uint8_t> bytes, Clock::Duration delay) {
    device_.emissions.push_back({std::move(bytes), delay});
    channel_.Write(0x01);
  }
  static Clock::TimePoint At(Clock::Duration d) { return Clock::TimePoint(d); }

  ManualClock clock_;
  EchoDevice device_;
  SimChannel channel_{clock_, device_, 9600};
  const Clock::Duration byte_ = std::chrono::nanoseconds(1145833);  // 11 bits at 9600 bit/s
};

TEST_F(SimChannelTest, BytesArriveOneByteTimeApartAfterTheDelayAndQueueInOrder) {
  EXPECT_EQ(channel_.ByteTime(), byte_);
  EXPECT_EQ(SimChannel(clock_, device_, 38400).ByteTime(), std::chrono::nanoseconds(286458));
  Trigger({0xA1, 0xA2}, milliseconds(10));
  Trigger({0xB1}, {});  // a quick answer queues behind a slow one
  clock_.Advance(milliseconds(10) + byte_);
  EXPECT_EQ(channel_.Available(), 1u);
  EXPECT_EQ(channel_.ReadByte(clock_.Now()), 0xA1);
  EXPECT_EQ(channel_.ReadByte(clock_.Now()), std::nullopt) << "not yet on the line";
  EXPECT_EQ(channel_.ReadByte(At(milliseconds(20))), 0xA2);
  EXPECT_EQ(clock_.Now(), At(milliseconds(10) + 2 * byte_)) << "slept until the byte, no longer";
  EXPECT_EQ(channel_.ReadByte(At(milliseconds(20))), 0xB1);
  EXPECT_EQ(channel_.ReadByte(At(milliseconds(25))), std::nullopt);
  EXPECT_EQ(clock_.Now(), At(milliseconds(25))) << "an empty line waits out the deadline";
}

TEST_F(SimChannelTest, UnpluggedLineFailsEveryReadAndReachesNoDevice) {
  Trigger({0xA1}, {});
  channel_.Unplug();
  EXPECT_FALSE(channel_.IsOpen());
  EXPECT_EQ(channel_.Available(), 0u);
  EXPECT_EQ(channel_.ReadByte(At(std::chrono::seconds(2))), std::nullopt);
  EXPECT_EQ(channel_.Failure(), "the simulated line was disconnected");
  channel_.Write(0x01);
  EXPECT_EQ(device_.received, (std::vector<uint8_t>{0x01}));
}

// ---- The Velora route meets another module's reply ----

// Answers the first poll after the tunnelled request with module 1's version reply (9.9.9.9) and
// hands the unit's own answer to that poll out on the next poll instead.
class ForeignReplyFirst final : public SimDevice {
 public:
  explicit ForeignReplyFirst(SimDevice& unit) : unit_(unit) {}
  std::optional<Emission> Receive(uint8_t byte) override {
    std::optional<Emission> e = unit_.Receive(byte);
    if (!e || !armed) return e;
    if (held_) {
      armed = false;
      return std::exchange(held_, std::nullopt);
    }
    if (e->bytes.size() <= 2) return e;  // the empty answer to the request itself
    held_ = e;
    return Emission{Bytes(golden::Words("01 80 E1 E6 F0 80 89 89 89 89 A4")), {}};
  }
  bool armed = false;

 private:
  SimDevice& unit_;
  std::optional<Emission> held_;
};

TEST(SimVeloraRouteTest, AnotherModulesReplyIsPassedOverUntilTheModulesOwnComes) {
  ManualClock clock;
  test::ScriptedPrompter prompter;
  Simulator sim;
  Link link{clock, prompter};
  ForeignReplyFirst line(sim.Velora());
  link.Open(std::make_unique<SimChannel>(clock, line, 19200));
  ASSERT_TRUE(EnableVeloraTunneling(link).ticked);
  const std::size_t before = sim.Velora().Frames().size();
  line.armed = true;

  ModuleSettings settings;
  EXPECT_TRUE(GetVersion(link, settings));
  EXPECT_EQ(settings.FirmwareVersion, "3.2.0.17");
  EXPECT_TRUE(prompter.Texts().empty()) << prompter.Last();
  EXPECT_EQ(sim.Velora().Frames().size(), before + 3) << "the request and two polls";
}

}  // namespace
}  // namespace pyra::sim
