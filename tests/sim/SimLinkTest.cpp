// The real link against the simulated module: every exchange goes through the bytes a module
// would see on the line.
#include <gtest/gtest.h>

#include <chrono>

#include "link/Link.h"
#include "link/Protocol.h"
#include "operations/Identity.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra::sim {
namespace {

using test::ScriptedPrompter;
using Texts = std::vector<std::string>;

constexpr char kNoResponse[] = "No response received, resetting bidirectional communication";

class SimLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    link_.SetLogSink([this](const std::string& line) { log_.push_back(line); });
    Connect();
  }
  void Connect() { link_.Open(sim_.Connect(clock_, 19200)); }
  SimModule& Module() { return sim_.Module(); }
  LinkState& State() { return link_.State(); }
  std::string Version() {
    ModuleSettings settings;
    GetVersion(link_, settings);
    return settings.FirmwareVersion;
  }

  ManualClock clock_;
  ScriptedPrompter prompter_;
  Simulator sim_;
  Link link_{clock_, prompter_};
  std::vector<std::string> log_;
};

TEST_F(SimLinkTest, FirstExchangeAfterOpenResetsTheLinkThenReadsTheVersion) {
  EXPECT_EQ(Version(), "3.2.0.17");
  EXPECT_EQ(Module().ResetFrames(), 1);
  EXPECT_EQ(log_, (Texts{">  [43] [62] [70] [00]", "<  [43] [66] [70] [00] [03] [02] [00] [11]"}));

  EXPECT_EQ(Version(), "3.2.0.17");
  EXPECT_EQ(Module().ResetFrames(), 1) << "only a new port resets the link";
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, kSubVersion), 2);
  EXPECT_TRUE(prompter_.Texts().empty());

  Connect();
  EXPECT_EQ(Version(), "3.2.0.17");
  EXPECT_EQ(Module().ResetFrames(), 2);
}

TEST_F(SimLinkTest, VersionComesFromTheModulesFirmware) {
  Module().GetConfig().firmware = {4, 10, 1, 0};
  EXPECT_EQ(Version(), "4.10.1.0");
}

struct IDCase {
  const char* name;
  std::string written;
  std::string stored;
};

class SimLinkIDTest : public SimLinkTest, public ::testing::WithParamInterface<IDCase> {};

TEST_P(SimLinkIDTest, WrittenIDStringReadsBack) {
  ModuleSettings out;
  out.IDString = GetParam().written;
  ASSERT_TRUE(WriteIDString(link_, out));
  EXPECT_EQ(Module().Memory().id_string, GetParam().stored);

  ModuleSettings in;
  in.IDString = "old text";
  ASSERT_TRUE(ReadIDString(link_, in));
  EXPECT_EQ(in.IDString, GetParam().stored);
  EXPECT_TRUE(prompter_.Texts().empty());
}

INSTANTIATE_TEST_SUITE_P(
    IDStrings, SimLinkIDTest,
    ::testing::Values(IDCase{"Plain", "Station West", "Station West"}, IDCase{"Empty", "", ""},
                      IDCase{"CutToTwelve", "ABCDEFGHIJKLMNO", "ABCDEFGHIJKL"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimLinkTest, WriteWithoutBidirectionalModeDoesNotWait) {
  State().Bidirectional = false;
  ModuleSettings settings;
  settings.IDString = "Yard";
  const auto before = clock_.Now();
  ASSERT_TRUE(WriteIDString(link_, settings));
  EXPECT_EQ(clock_.Now(), before);
  EXPECT_EQ(Module().Memory().id_string, "Yard");
  EXPECT_FALSE(State().ReplyValid);
}

struct EraseCase {
  const char* name;
  std::vector<Answer> answers;
  int questions;
  bool erased;
};

class SimLinkEraseTest : public SimLinkTest, public ::testing::WithParamInterface<EraseCase> {};

TEST_P(SimLinkEraseTest, EraseNeedsOkThenCancel) {
  const auto& c = GetParam();
  ModuleSettings settings;
  settings.IDString = "Station West";
  ASSERT_TRUE(WriteIDString(link_, settings));
  const std::size_t requests = Module().Requests().size();
  for (Answer a : c.answers) prompter_.QueueAnswer(a);

  EXPECT_EQ(EraseFlash(link_), c.erased);
  EXPECT_EQ(static_cast<int>(prompter_.Texts().size()), c.questions);
  EXPECT_EQ(Module().Erases(), c.erased ? 1 : 0);
  EXPECT_EQ(Module().Requests().size(), requests + (c.erased ? 1 : 0)) << "nothing else is sent";
  EXPECT_TRUE(State().Bidirectional) << "restored after the erase";

  ModuleSettings read;
  ASSERT_TRUE(ReadIDString(link_, read));
  EXPECT_EQ(read.IDString, c.erased ? "" : "Station West");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SimLinkEraseTest,
    ::testing::Values(EraseCase{"OkThenCancelErases", {Answer::kOk, Answer::kCancel}, 2, true},
                      EraseCase{"CancelFirstStops", {Answer::kCancel}, 1, false},
                      EraseCase{"OkOnTheSecondStops", {Answer::kOk, Answer::kOk}, 2, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct FaultCase {
  const char* name;
  Fault fault;
  bool use_xa;
  std::string version;  // what GetVersion shows for the faulted exchange
  Texts messages;
};

class SimLinkFaultTest : public SimLinkTest, public ::testing::WithParamInterface<FaultCase> {};

// The faulted exchange is the second one, so its address byte is 03 (alternation bit clear).
TEST_P(SimLinkFaultTest, FaultGivesTheLinksMessageAndTheNextExchangeWorks) {
  const auto& c = GetParam();
  if (c.use_xa) {
    Module().GetConfig().extended_address = 5;
    State().UseXAddress = true;
    State().ExtendedAddress = 5;
  }
  ASSERT_EQ(Version(), "3.2.0.17");
  Module().InjectFault(c.fault);

  EXPECT_EQ(Version(), c.version);
  EXPECT_EQ(prompter_.Texts(), c.messages);

  prompter_.Clear();
  EXPECT_EQ(Version(), "3.2.0.17");
  EXPECT_TRUE(prompter_.Texts().empty());
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, kSubVersion), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SimLinkFaultTest,
    ::testing::Values(
        FaultCase{"NoReply", Fault::kNoReply, false, "Unknown", {kNoResponse}},
        FaultCase{"BadChecksum", Fault::kBadChecksum, false, "Unknown", {kNoResponse}},
        FaultCase{"WrongAddress",
                  Fault::kWrongAddress,
                  false,
                  "Unknown",
                  {"Invalid response received, \r\nReceived: Addr = 7 Header = 102\r\n"
                   "Expected: Addr = 3 Header > 95 "}},
        FaultCase{"StaleToggle",
                  Fault::kStaleToggle,
                  false,
                  "Unknown",
                  {"Invalid response received, \r\nReceived: Addr = 67 Header = 102\r\n"
                   "Expected: Addr = 3 Header > 95 "}},
        FaultCase{"NoiseBeforeIsSkipped", Fault::kNoiseBefore, false, "3.2.0.17", {}},
        FaultCase{"UnexpectedXAddress",
                  Fault::kWrongXAddress,
                  false,
                  "Unknown",
                  {"Unexpected eXtended Address Byte 1"}},
        FaultCase{"IncorrectXAddress",
                  Fault::kWrongXAddress,
                  true,
                  "Unknown",
                  {"Incorrect eXtended Address byte \r\nReceived 6 Expected 5"}},
        FaultCase{"ShortReply",
                  Fault::kShortReply,
                  false,
                  "Unknown",
                  {"GetVersion: No valid response, size <> 6"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimLinkTest, MissingXAddressInTheReplyIsReported) {
  // The module does not know its eXtended Address is wanted when the frame carries none; the
  // link insists on one once it sends it.
  State().UseXAddress = true;
  State().ExtendedAddress = 0;
  Module().GetConfig().extended_address = 0;
  EXPECT_EQ(Version(), "3.2.0.17");
  State().ExtendedAddress = 9;
  EXPECT_EQ(Version(), "Unknown");
  EXPECT_EQ(prompter_.Texts(), (Texts{kNoResponse})) << "a module with another XA stays silent";
  EXPECT_FALSE(State().Bidirectional);
}

TEST_F(SimLinkTest, OtherModuleAddressStaysSilent) {
  State().ModuleAddress = 3;
  EXPECT_EQ(Version(), "Unknown");
  EXPECT_EQ(prompter_.Texts(), (Texts{kNoResponse}));
  EXPECT_TRUE(Module().Requests().empty());

  Module().GetConfig().address = 3;
  prompter_.Clear();
  EXPECT_EQ(Version(), "3.2.0.17");
}

TEST_F(SimLinkTest, SlowReplyTimesOutAndIsRefusedWhenItComesLate) {
  Module().InjectFault(Fault::kSlowReply);
  const auto start = clock_.Now();
  EXPECT_EQ(Version(), "Unknown");
  EXPECT_EQ(prompter_.Texts(), (Texts{kNoResponse}));
  EXPECT_LT(clock_.Now() - start, std::chrono::seconds(3)) << "gave up before the reply came";

  // The late reply carries the first frame's alternation bit; the second frame has the other.
  prompter_.Clear();
  EXPECT_EQ(Version(), "Unknown");
  EXPECT_EQ(prompter_.Texts(), (Texts{"Invalid response received, \r\nReceived: Addr = 67 Header = "
                                      "102\r\nExpected: Addr = 3 Header > 95 "}));

  // Reopening the port drops what is still on the line.
  Connect();
  prompter_.Clear();
  EXPECT_EQ(Version(), "3.2.0.17");
  EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(SimLinkTest, ModuleLatencyWithinTheTimeoutIsWaitedFor) {
  Module().GetConfig().latency = std::chrono::milliseconds(1500);
  EXPECT_EQ(Version(), "3.2.0.17");
  EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(SimLinkTest, UnpluggedLineIsReportedAsLostConnection) {
  static_cast<SimChannel*>(link_.Channel())->Unplug();
  EXPECT_EQ(Version(), "Unknown");
  // Nothing is sent on a line that is gone, and the user learns why rather than being asked to
  // choose a port.
  EXPECT_EQ(prompter_.Texts(),
            (Texts{"The connection to the module was lost: the simulated line was disconnected"}));
  EXPECT_EQ(Module().ResetFrames(), 0);
}

// Pulls the line the moment the armed device is written to, as an adapter pulled mid-exchange.
class PullingDevice final : public SimDevice {
 public:
  explicit PullingDevice(SimDevice& inner) : inner_(inner) {}
  std::optional<Emission> Receive(uint8_t byte) override {
    if (channel && armed) channel->Unplug();
    return inner_.Receive(byte);
  }
  SimChannel* channel = nullptr;
  bool armed = false;

 private:
  SimDevice& inner_;
};

TEST_F(SimLinkTest, LineLostDuringAnExchangeIsReported) {
  PullingDevice device(Module());
  auto channel = std::make_unique<SimChannel>(clock_, device, 19200);
  device.channel = channel.get();
  link_.Open(std::move(channel));
  ASSERT_EQ(Version(), "3.2.0.17");

  device.armed = true;
  EXPECT_EQ(Version(), "Unknown");
  EXPECT_EQ(prompter_.Texts(),
            (Texts{"The connection to the module was lost: the simulated line was disconnected"}));
}

TEST_F(SimLinkTest, PollReturnsTheFourFeedbackBytes) {
  Module().SetTogglingInput(std::nullopt);
  Module().SetFeedback({12, 0, 127, 3});
  ASSERT_TRUE(link_.SendPRMessage(true, {}));
  ASSERT_TRUE(State().ReplyValid);
  ASSERT_EQ(link_.ReplySize(), 4);
  EXPECT_EQ(std::vector<int>(State().RxMessage.begin() + 2, State().RxMessage.begin() + 6),
            (std::vector<int>{12, 0, 127, 3}));
}

TEST_F(SimLinkTest, WritesOfLaterFeaturesAreAcknowledged) {
  ASSERT_TRUE(link_.SendPRMessage(false, {96, 4, 3, 1}));
  ASSERT_TRUE(State().ReplyValid);
  EXPECT_EQ(link_.ReplySize(), 2);
  EXPECT_EQ(State().RxMessage[2], 96);
  EXPECT_EQ(State().RxMessage[3], 4);
}

TEST_F(SimLinkTest, ExtendedAddressIsStrippedFromTheReply) {
  Module().GetConfig().extended_address = 42;
  State().UseXAddress = true;
  State().ExtendedAddress = 42;
  EXPECT_EQ(Version(), "3.2.0.17");
  ASSERT_FALSE(Module().Requests().empty());
  EXPECT_EQ(Module().Requests().back().extended_address, 42);
  EXPECT_TRUE(prompter_.Texts().empty());
}

}  // namespace
}  // namespace pyra::sim
