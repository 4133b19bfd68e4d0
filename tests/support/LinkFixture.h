#pragma once

#include <gtest/gtest.h>

#include <algorithm>
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

  // Queues the module's answers to the next frames of module 0, one per frame, following the
  // alternation bit from its present state. An empty payload list stands for "no answer".
  void QueueReplies(const std::vector<std::vector<int>>& payloads) {
    int toggle = link_.State().ToggleBit == 128 ? 64 : link_.State().ToggleBit;
    for (const auto& p : payloads) {
      channel_->QueueReply(Reply(static_cast<uint8_t>(toggle + 3), p));
      toggle ^= 64;
    }
  }

  // The payloads (7-bit) of every direct frame written so far, reset frames left out.
  std::vector<std::vector<int>> SentPayloads() const {
    std::vector<std::vector<int>> frames;
    const auto& w = channel_->Written();
    for (std::size_t i = 0; i + 1 < w.size();) {
      if (w[i] >= 128) {
        ++i;
        continue;
      }
      const std::size_t size = w[i + 1] & 15, start = i + ((w[i + 1] & 16) ? 3 : 2);
      std::vector<int> payload;
      for (std::size_t k = start; k < std::min(w.size(), start + size); ++k) {
        payload.push_back(w[k] & 127);
      }
      if (size > 0) frames.push_back(payload);
      i = start + size + 1;
    }
    return frames;
  }

  ManualClock clock_;
  ScriptedPrompter prompter_;
  Link link_{clock_, prompter_};
  ScriptedChannel* channel_ = nullptr;
  std::vector<std::string> log_;
};

}  // namespace pyra::test
