#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/Link.h"
#include "operations/Identity.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra::sim {

using Texts = std::vector<std::string>;

// The real link on the simulated port, with injected time.
class SimLinkFixture : public ::testing::Test {
 protected:
  void SetUp() override { Connect(); }
  // A new connection, as reopening the port makes; the module keeps its memory.
  void Connect(int bit_rate = 19200) { link_.Open(sim_.Connect(clock_, bit_rate)); }
  SimModule& Module() { return sim_.Module(); }
  ModuleMemory& Memory() { return sim_.Module().Memory(); }
  LinkState& State() { return link_.State(); }
  // Module and link both on eXtended Address `xa`.
  void UseXAddress(int xa) {
    Module().GetConfig().extended_address = xa;
    State().UseXAddress = true;
    State().ExtendedAddress = static_cast<uint8_t>(xa);
  }
  std::string Version() {
    ModuleSettings settings;
    GetVersion(link_, settings);
    return settings.FirmwareVersion;
  }

  ManualClock clock_;
  test::ScriptedPrompter prompter_;
  Simulator sim_;
  Link link_{clock_, prompter_};
};

// Messages of the link that both the direct line and the Velora tunnel give.
inline constexpr char kUnexpectedXA[] = "Unexpected eXtended Address Byte 1";
inline constexpr char kSizeError[] = "GetVersion: No valid response, size <> 6";
inline std::string IncorrectXA(int received, int expected) {
  return "Incorrect eXtended Address byte \r\nReceived " + std::to_string(received) + " Expected " +
         std::to_string(expected);
}

inline constexpr auto kCaseName = [](const auto& info) { return std::string(info.param.name); };

}  // namespace pyra::sim
