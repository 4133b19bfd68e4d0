#include "faults/FaultRig.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "files/RichConfiguration.h"
#include "operations/Batch.h"

namespace pyra::faults {

namespace {
constexpr int kBitRate = 19200;
}

std::optional<sim::Emission> WatchingDevice::Receive(uint8_t byte) {
  byte_times_.push_back(clock_.Now());
  const std::size_t before = module_.Requests().size();
  std::optional<sim::Emission> emission = line_end_.Receive(byte);
  if (module_.Requests().size() > before && on_request) {
    on_request(static_cast<int>(module_.Requests().size()));
  }
  return emission;
}

Rig::Rig(const sim::ModuleMemory& memory, int extended_address, bool through_velora)
    : tunnelled(through_velora),
      watch(clock,
            through_velora ? static_cast<sim::SimDevice&>(simulator.Velora())
                           : static_cast<sim::SimDevice&>(simulator.Module()),
            simulator.Module()) {
  Module().Memory() = memory;
  Module().GetConfig().extended_address = extended_address;
  // A toggling input would make two reads of the same module differ.
  Module().SetTogglingInput(std::nullopt);
  Reconnect();
}

void Rig::Reconnect() {
  Module().SetClock(&clock);
  link.Open(std::make_unique<sim::SimChannel>(clock, watch, kBitRate));
  link.State().UseVelora = tunnelled;
}

Clock::Duration Rig::LongestSilence() {
  Clock::Duration longest{};
  const auto& times = watch.ByteTimes();
  for (std::size_t i = 1; i < times.size(); ++i) {
    longest = std::max(longest, times[i] - times[i - 1]);
  }
  if (!times.empty()) longest = std::max(longest, clock.Now() - times.back());
  return longest;
}

int FindRequest(const sim::SimModule& module, const std::vector<int>& prefix) {
  const auto& requests = module.Requests();
  for (std::size_t i = 0; i < requests.size(); ++i) {
    const auto& p = requests[i].payload;
    if (p.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), p.begin())) {
      return static_cast<int>(i) + 1;
    }
  }
  return 0;
}

namespace {

struct Written {
  sim::ModuleMemory memory;
  int extended_address = 0;
};

const Written& RichWritten() {
  static const Written written = [] {
    ManualClock clock;
    test::ScriptedPrompter prompter;
    sim::Simulator simulator;
    Link link(clock, prompter);
    link.Open(simulator.Connect(clock, kBitRate));
    const bool ok = WriteAll(link, test::RichConfiguration());
    EXPECT_TRUE(ok && prompter.Texts().empty()) << prompter.Last();
    return Written{simulator.Module().Memory(), simulator.Module().GetConfig().extended_address};
  }();
  return written;
}

}  // namespace

const sim::ModuleMemory& RichMemory() { return RichWritten().memory; }
int RichExtendedAddress() { return RichWritten().extended_address; }

const char* OpName(Op op) {
  switch (op) {
    case Op::kReadAll:
      return "ReadAll";
    case Op::kWriteAll:
      return "WriteAll";
    case Op::kVerifyAll:
      return "VerifyAll";
  }
  return "";
}

const sim::ModuleMemory& StartMemory(Op op) {
  static const sim::ModuleMemory factory = sim::FactoryMemory();
  return op == Op::kWriteAll ? factory : RichMemory();
}

int StartExtendedAddress(Op op) { return op == Op::kWriteAll ? 0 : RichExtendedAddress(); }

bool RunOperation(Op op, Rig& rig, Configuration& model, VerificationLog& log) {
  switch (op) {
    case Op::kReadAll:
      return ReadAll(rig.link, model);
    case Op::kWriteAll:
      model = test::RichConfiguration();
      return WriteAll(rig.link, model);
    case Op::kVerifyAll:
      model = test::RichConfiguration();
      return VerifyAll(rig.link, model, log);
  }
  return false;
}

void ExpectSameConfiguration(const Configuration& got, const Configuration& want) {
  const ModuleSettings& g = got.Settings;
  const ModuleSettings& w = want.Settings;
  EXPECT_EQ(g.IDString, w.IDString);
  EXPECT_EQ(g.FirmwareVersion, w.FirmwareVersion);
  EXPECT_EQ(g.PRNative, w.PRNative);
  EXPECT_EQ(g.LumoFlex, w.LumoFlex);
  EXPECT_EQ(g.LumoModeAddress, w.LumoModeAddress);
  EXPECT_EQ(g.ForceXA, w.ForceXA);
  EXPECT_EQ(g.ModuleXAddress, w.ModuleXAddress);
  EXPECT_EQ(g.GroupMask, w.GroupMask);
  EXPECT_EQ(g.DccAddress, w.DccAddress);
  EXPECT_EQ(g.XDccAddress, w.XDccAddress);
  EXPECT_EQ(g.PacketRetention, w.PacketRetention);
  EXPECT_EQ(g.BasicPacketStateInvert, w.BasicPacketStateInvert);
  EXPECT_EQ(g.AllowAddress0, w.AllowAddress0);
  EXPECT_EQ(g.HwcSink, w.HwcSink);
  EXPECT_EQ(g.HwcSource, w.HwcSource);
  EXPECT_EQ(g.LedGreen, w.LedGreen);
  EXPECT_EQ(g.LedOrange, w.LedOrange);
  EXPECT_EQ(g.SerialEnable, w.SerialEnable);
  EXPECT_EQ(g.SerialBaudIndex, w.SerialBaudIndex);
  EXPECT_EQ(g.SerialDataBits8, w.SerialDataBits8);
  EXPECT_EQ(g.SerialParity, w.SerialParity);
  EXPECT_EQ(g.SerialStop2, w.SerialStop2);
  EXPECT_EQ(g.InitEE, w.InitEE);
  for (int p = 0; p < kPinCount; ++p) {
    const PinRecord& gp = got.Pins[p];
    const PinRecord& wp = want.Pins[p];
    EXPECT_EQ(gp.PinConfig, wp.PinConfig) << "pin " << p;
    EXPECT_EQ(gp.LiveLevel, wp.LiveLevel) << "pin " << p;
    EXPECT_EQ(gp.InitialAspect, wp.InitialAspect) << "pin " << p;
    EXPECT_EQ(gp.DccCount, wp.DccCount) << "pin " << p;
    EXPECT_EQ(gp.XDccCount, wp.XDccCount) << "pin " << p;
    EXPECT_EQ(gp.LumoCount, wp.LumoCount) << "pin " << p;
    EXPECT_EQ(gp.DeviceLink, wp.DeviceLink) << "pin " << p;
    EXPECT_EQ(gp.AspectMode, wp.AspectMode) << "pin " << p;
    for (std::size_t a = 0; a < gp.Aspects.size(); ++a) {
      EXPECT_EQ(gp.Aspects[a].Steps, wp.Aspects[a].Steps) << "pin " << p << " aspect " << a;
    }
    EXPECT_EQ(got.EventControl[p], want.EventControl[p]) << "event control of pin " << p;
  }
}

void ExpectSameMemory(const sim::ModuleMemory& got, const sim::ModuleMemory& want) {
  EXPECT_EQ(got.id_string, want.id_string);
  EXPECT_EQ(got.hardware_groups, want.hardware_groups);
  EXPECT_EQ(got.x_address, want.x_address);
  EXPECT_EQ(got.group_mask, want.group_mask);
  EXPECT_EQ(got.dcc_address, want.dcc_address);
  EXPECT_EQ(got.dcc_options, want.dcc_options);
  EXPECT_EQ(got.led_green, want.led_green);
  EXPECT_EQ(got.led_orange, want.led_orange);
  EXPECT_EQ(got.serial_address, want.serial_address);
  EXPECT_EQ(got.enable_map, want.enable_map);
  EXPECT_EQ(got.xdcc_address, want.xdcc_address);
  EXPECT_EQ(got.serial_port, want.serial_port);
  for (int p = 0; p < sim::kModulePins; ++p) {
    const sim::PinMemory& g = got.pins[p];
    const sim::PinMemory& w = want.pins[p];
    EXPECT_EQ(g.initial_aspect, w.initial_aspect) << "pin " << p;
    EXPECT_EQ(g.event_on, w.event_on) << "pin " << p;
    EXPECT_EQ(g.event_off, w.event_off) << "pin " << p;
    EXPECT_EQ(g.aspect_mode, w.aspect_mode) << "pin " << p;
    EXPECT_EQ(g.address_config, w.address_config) << "pin " << p;
    EXPECT_EQ(g.stored_block, w.stored_block) << "pin " << p;
    EXPECT_EQ(g.working_block, w.working_block) << "pin " << p;
    EXPECT_EQ(g.servo_initialised, w.servo_initialised) << "pin " << p;
    EXPECT_EQ(g.steps, w.steps) << "pin " << p;
  }
}

}  // namespace pyra::faults
