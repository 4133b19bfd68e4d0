#pragma once

#include <array>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimDevice.h"

namespace pyra::sim {

// The module's memory: what it keeps through power cycles, reset to factory state by an erase.
// Grows as the tool learns more of the module.
struct ModuleMemory {
  std::string id_string;
};

// A simulated Pyra: decodes the frames the tool sends (checksum, address, optional eXtended
// Address, alternation bit), acts on them and answers through the same byte stream.
class SimModule final : public SimDevice {
 public:
  struct Config {
    int address = 0;           // module address 0..31
    int extended_address = 0;  // its eXtended Address 0..95
    std::array<int, 4> firmware{3, 2, 0, 17};
    Clock::Duration latency{};  // time to answer a request
  };

  struct Request {
    int address = 0;                      // module address the frame named
    bool wants_reply = false;             // header bit 5
    std::optional<int> extended_address;  // present when header bit 4 was set
    std::vector<int> payload;             // 7-bit values
  };
  struct Reply {
    std::optional<int> extended_address;
    std::vector<int> payload;
  };

  // Where a reply goes back to: the request's own address byte (alternation bit included) and
  // whether it carried an eXtended Address.
  struct Answer {
    uint8_t address_byte = 0;
    bool with_extended_address = false;
    Reply reply;
  };

  SimModule() : SimModule(Config{}) {}
  explicit SimModule(Config config);

  std::optional<Emission> Receive(uint8_t byte) override;

  // Acts on one decoded request (also used by the Velora unit for tunnelled messages). Returns
  // the reply the module would send, or nothing when it does not answer. Faults are not applied.
  std::optional<Reply> Handle(const Request& request);

  // The fault hits the at_reply-th reply from now on (1 = the next one).
  void InjectFault(Fault fault, int at_reply = 1);
  // Returns and consumes the fault scheduled for the reply about to be sent, if any.
  std::optional<Fault> TakeFault();

  // The four bytes a poll reports (inputs and feedback).
  void SetFeedback(std::array<int, 4> bytes) { feedback_ = bytes; }

  Config& GetConfig() { return config_; }
  ModuleMemory& Memory() { return memory_; }
  void FactoryReset() { memory_ = ModuleMemory{}; }

  // Observations for tests: requests accepted (in order), reset frames seen, erases done.
  const std::vector<Request>& Requests() const { return requests_; }
  int CountRequests(int command, int sub_code) const;
  int ResetFrames() const { return reset_frames_; }
  int Erases() const { return erases_; }

 private:
  std::optional<Emission> CompleteFrame();
  bool Addressed(int address, const std::optional<int>& extended_address) const;
  // Frames the answer with the fault scheduled for this reply applied, if any.
  std::optional<Emission> Emit(const Answer& answer);

  Config config_;
  ModuleMemory memory_;
  // receiver
  std::vector<uint8_t> frame_;
  int remaining_ = -1;    // -1: idle; 0: header expected; else bytes still to come (checksum too)
  int last_toggle_ = -1;  // -1: nothing accepted since power-up
  std::optional<Answer> last_answer_;  // repeated for a frame with the same alternation bit
  std::array<int, 4> feedback_{};
  // faults
  std::deque<std::pair<int, Fault>> faults_;
  int replies_sent_ = 0;
  // observations
  std::vector<Request> requests_;
  int reset_frames_ = 0;
  int erases_ = 0;
};

}  // namespace pyra::sim
