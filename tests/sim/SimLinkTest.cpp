// The real link against the simulated module: every exchange goes through the bytes a module
// would see on the line.
#include <gtest/gtest.h>

#include <chrono>

#include "SimLinkFixture.h"
#include "link/Protocol.h"

namespace pyra::sim {
namespace {

constexpr char kNoResponse[] = "No response received, resetting bidirectional communication";
constexpr char kLineLost[] =
    "The connection to the module was lost: the simulated line was disconnected";
// What the link says of a version reply with address byte `address` to a frame on 03.
std::string Invalid(int address) {
  return "Invalid response received, \r\nReceived: Addr = " + std::to_string(address) +
         " Header = 102\r\nExpected: Addr = 3 Header > 95 ";
}

class SimLinkTest : public SimLinkFixture {
 protected:
  void SetUp() override {
    link_.SetLogSink([this](const std::string& line) { log_.push_back(line); });
    Connect();
  }
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
  Module().GetConfig().firmware = {4, 10, 1, 0};
  EXPECT_EQ(Version(), "4.10.1.0");
  EXPECT_EQ(Module().ResetFrames(), 2);
}

TEST_F(SimLinkTest, WrittenIDStringReadsBack) {
  const struct {
    std::string written;
    std::string stored;
  } cases[] = {{"Station West", "Station West"}, {"", ""}, {"ABCDEFGHIJKLMNO", "ABCDEFGHIJKL"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    ModuleSettings out;
    out.IDString = c.written;
    ASSERT_TRUE(WriteIDString(link_, out));
    EXPECT_EQ(Memory().id_string, c.stored);

    ModuleSettings in;
    in.IDString = "old text";
    ASSERT_TRUE(ReadIDString(link_, in));
    EXPECT_EQ(in.IDString, c.stored);
  }
  EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(SimLinkTest, WriteWithoutBidirectionalModeDoesNotWait) {
  State().Bidirectional = false;
  ModuleSettings settings;
  settings.IDString = "Yard";
  const auto before = clock_.Now();
  ASSERT_TRUE(WriteIDString(link_, settings));
  EXPECT_EQ(clock_.Now(), before);
  EXPECT_EQ(Memory().id_string, "Yard");
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

const EraseCase kEraseCases[] = {
    {"OkThenCancelErases", {Answer::kOk, Answer::kCancel}, 2, true},
    {"CancelFirstStops", {Answer::kCancel}, 1, false},
    {"OkOnTheSecondStops", {Answer::kOk, Answer::kOk}, 2, false},
};
INSTANTIATE_TEST_SUITE_P(Answers, SimLinkEraseTest, ::testing::ValuesIn(kEraseCases), kCaseName);

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
  if (c.use_xa) UseXAddress(5);
  ASSERT_EQ(Version(), "3.2.0.17");
  EXPECT_EQ(Module().Requests().back().extended_address,
            c.use_xa ? std::optional<int>(5) : std::nullopt);
  Module().InjectFault(c.fault);

  EXPECT_EQ(Version(), c.version);
  EXPECT_EQ(prompter_.Texts(), c.messages);

  prompter_.Clear();
  EXPECT_EQ(Version(), "3.2.0.17");
  EXPECT_TRUE(prompter_.Texts().empty());
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, kSubVersion), 3);
}

const FaultCase kFaultCases[] = {
    {"NoReply", Fault::kNoReply, false, "Unknown", {kNoResponse}},
    {"BadChecksum", Fault::kBadChecksum, false, "Unknown", {kNoResponse}},
    {"WrongAddress", Fault::kWrongAddress, false, "Unknown", {Invalid(7)}},
    {"StaleToggle", Fault::kStaleToggle, false, "Unknown", {Invalid(67)}},
    {"NoiseBeforeIsSkipped", Fault::kNoiseBefore, false, "3.2.0.17", {}},
    {"UnexpectedXAddress", Fault::kWrongXAddress, false, "Unknown", {kUnexpectedXA}},
    {"IncorrectXAddress", Fault::kWrongXAddress, true, "Unknown", {IncorrectXA(6, 5)}},
    {"ShortReply", Fault::kShortReply, false, "Unknown", {kSizeError}},
};
INSTANTIATE_TEST_SUITE_P(Faults, SimLinkFaultTest, ::testing::ValuesIn(kFaultCases), kCaseName);

TEST_F(SimLinkTest, ModuleOnAnotherAddressStaysSilent) {
  State().ModuleAddress = 3;
  EXPECT_EQ(Version(), "Unknown");
  EXPECT_EQ(prompter_.Texts(), (Texts{kNoResponse}));
  EXPECT_TRUE(Module().Requests().empty());
  Module().GetConfig().address = 3;
  prompter_.Clear();
  EXPECT_EQ(Version(), "3.2.0.17");

  // Likewise for another eXtended Address.
  UseXAddress(0);
  EXPECT_EQ(Version(), "3.2.0.17");
  State().ExtendedAddress = 9;
  EXPECT_EQ(Version(), "Unknown");
  EXPECT_EQ(prompter_.Texts(), (Texts{kNoResponse}));
  EXPECT_FALSE(State().Bidirectional);
}

TEST_F(SimLinkTest, SlowReplyTimesOutAndIsRefusedWhenItComesLate) {
  Module().InjectFault(Fault::kSlowReply);
  const auto start = clock_.Now();
  EXPECT_EQ(Version(), "Unknown");
  EXPECT_EQ(prompter_.Texts(), (Texts{kNoResponse}));
  EXPECT_LT(clock_.Now() - start, std::chrono::seconds(3)) << "gave up before the reply came";

  // The late reply carries the first frame's alternation bit (67); the second frame has the other.
  prompter_.Clear();
  EXPECT_EQ(Version(), "Unknown");
  EXPECT_EQ(prompter_.Texts(), (Texts{Invalid(67)}));

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
  EXPECT_EQ(prompter_.Texts(), (Texts{kLineLost}));
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
  EXPECT_EQ(prompter_.Texts(), (Texts{kLineLost}));
}

}  // namespace
}  // namespace pyra::sim
