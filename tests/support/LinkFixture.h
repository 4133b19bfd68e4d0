#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/Frame.h"
#include "link/Link.h"
#include "support/ScriptedChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra::test {

// A link on a scripted channel with injected time, recording the communication log.
class LinkFixture : public ::testing::Test {
 protected:
  LinkFixture() {
    auto channel = std::make_unique<ScriptedChannel>(clock_);
    channel_ = channel.get();
    link_.Open(std::move(channel));
    link_.SetLogSink([this](const std::string& line) { log_.push_back(line); });
  }

  // Skips the link reset that opening the port schedules, so frames start at once.
  void SkipReset(int toggle = 64) { link_.State().ToggleBit = toggle; }

  // The module's answer to a frame sent with `address_byte`.
  static std::vector<uint8_t> Reply(uint8_t address_byte, std::vector<int> payload,
                                    const int* xa = nullptr) {
    return EncodeFrame(address_byte, true, xa, payload);
  }

  std::string Written() const { return Hex(channel_->Written()); }

  ManualClock clock_;
  ScriptedPrompter prompter_;
  Link link_{clock_, prompter_};
  ScriptedChannel* channel_ = nullptr;
  std::vector<std::string> log_;
};

}  // namespace pyra::test
