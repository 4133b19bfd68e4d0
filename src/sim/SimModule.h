#pragma once

#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimDevice.h"

namespace pyra::sim {

inline constexpr int kModulePins = 32;

inline constexpr int kModuleAspects = 12;
inline constexpr int kModuleSteps = 10;

// One step of an aspect as it travels: opcode byte, data 1..4.
using StepBytes = std::array<int, 5>;

// One pin as the module keeps it. Slot bytes are kept exactly as written, so a slot byte whose
// bits 4..5 name another slot comes back that way.
struct PinMemory {
  int initial_aspect = 15;         // low nibble of the initial-aspect byte; 15 = none
  std::array<int, 4> event_on{};   // Event-On slot bytes 0..3
  std::array<int, 4> event_off{};  // Event-Off slot bytes 0..3
  int aspect_mode = 0;
  std::array<int, 3> address_config{};  // the three typed bytes as written: DCC, serial, device
  // The configuration block as written after the pin number: type, P1, then the type's bytes.
  std::vector<int> stored_block;
  // The block the pin runs with: type, the live position or level, then the type's bytes. Set
  // by its own write, by a write of the stored block, and moved by the live commands.
  std::vector<int> working_block;
  // A status, not a setting: the module has taken the pin on as a servo. Reported in bit 6 of
  // P2 of both blocks while the pin is a servo.
  bool servo_initialised = false;
  std::array<std::array<StepBytes, kModuleSteps>, kModuleAspects> steps{};
  bool operator==(const PinMemory&) const = default;
};

// The module's memory: what it keeps through power cycles. Every value is a byte as it travels in
// the matching write, so a test can change one directly and see the tool's verification find it.
// FactoryMemory() is the state of a new or erased module.
struct ModuleMemory {
  std::string id_string;                 // 10
  std::array<int, 4> hardware_groups{};  // 1: G0..G3, sink + 2 * source
  int x_address = 0;                     // 2: 0..95, 127 = enforced eXtended Address
  std::array<int, 4> group_mask{};       // 3: M0..M3
  std::array<int, 2> dcc_address{};      // 4: lo, hi
  int dcc_options = 0;                   // 5
  int led_green = 0;                     // 6
  int led_orange = 0;                    // 7
  std::array<int, 2> serial_address{};   // 8: F, V
  std::array<int, 2> enable_map{};       // 11: On-mask, Off-mask (bit set = slot disabled)
  std::array<int, 2> xdcc_address{};     // 12: lo, hi
  std::array<int, 2> serial_port{};      // 13: E, S
  std::array<PinMemory, kModulePins> pins{};
  bool operator==(const ModuleMemory&) const = default;
};

// A new or erased module: no ID, DCC addresses 1, retention 250 ms, no drivers, default LED
// behaviour, serial port off, eXtended Address 0 with an empty group mask, every event slot empty
// and disabled; every pin unconfigured, without aspects or initial aspect, with one DCC, one
// extended-DCC and one serial address and heading its own device. This is also what a freshly
// started tool shows, so the two verify equal.
ModuleMemory FactoryMemory();

// A command that acts on the layout, as the module received it: set aspect and the live outputs
// (command 0), or a frame of the older three-byte format.
struct LayoutCommand {
  bool older_format = false;
  int address_byte = 0;    // older format: the frame's address byte (module address * 4 + 3)
  std::vector<int> bytes;  // 0, sub-code, target, value; older format: b1, b2, b3
  std::string text;        // its line in the activity log
};

// A simulated Pyra: decodes the frames the tool sends (checksum, address, optional eXtended
// Address, alternation bit), acts on them and answers through the same byte stream.
class SimModule final : public SimDevice {
 public:
  struct Config {
    int address = 0;  // module address 0..31
    // The eXtended Address 0..95 it answers to; writing the eXtended Address setting moves it.
    int extended_address = 0;
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

  // Whether a frame to `address`, with that eXtended Address or without one, is for this module.
  bool Answers(int address, const std::optional<int>& extended_address) const;

  // The fault hits the at_reply-th reply from now on (1 = the next one).
  void InjectFault(Fault fault, int at_reply = 1);
  // Returns and consumes the fault scheduled for the reply about to be sent, if any.
  std::optional<Fault> TakeFault();

  // An input that changes by itself, so that a poll shows something moving: bit `bit` of
  // feedback byte `byte` is inverted during every other `period` of the module's clock.
  struct TogglingInput {
    int byte = 0;
    int bit = 0;
    Clock::Duration period = std::chrono::milliseconds(500);
  };

  // The four bytes a poll reports (inputs and feedback) while no input toggles.
  void SetFeedback(std::array<int, 4> bytes) { feedback_ = bytes; }
  void SetTogglingInput(std::optional<TogglingInput> input) { toggling_ = input; }
  // The clock a toggling input follows; it must outlive every poll (the Simulator hands in the
  // clock of each connection).
  void SetClock(Clock* clock) { clock_ = clock; }
  // What a poll reports now.
  std::array<int, 4> Feedback() const;

  // A frame of the older format, also as the Velora unit tunnels it.
  void OlderFormat(int address_byte, int b1, int b2, int b3);

  Config& GetConfig() { return config_; }
  ModuleMemory& Memory() { return memory_; }
  void FactoryReset() { memory_ = FactoryMemory(); }

  // Observations for tests: requests accepted (in order), reset frames seen, erases done.
  const std::vector<Request>& Requests() const { return requests_; }
  int CountRequests(int command, int sub_code) const;
  int ResetFrames() const { return reset_frames_; }
  int Erases() const { return erases_; }
  // Set-aspect, live-output and older-format commands in the order they came, each also
  // handed to the activity sink as one line of text.
  const std::vector<LayoutCommand>& LayoutCommands() const { return layout_commands_; }
  void SetActivitySink(std::function<void(const std::string&)> sink) {
    activity_sink_ = std::move(sink);
  }
  // The aspect last set on a pin (either format), -1 before any and after a clear or reset.
  int PinAspect(int pin) const { return pin_aspects_.at(pin); }

 private:
  std::optional<Emission> CompleteFrame();
  // Acts on a request's payload; returns the reply payload the module would send.
  std::vector<int> Act(const std::vector<int>& p);
  std::vector<int> ReadGeneral(int sub_code);
  void WriteGeneral(const std::vector<int>& p);
  std::vector<int> ReadEventOn(int pin);
  std::vector<int> ReadEventOff(int pin);
  void WriteEvents(const std::vector<int>& p);
  // Pin-level commands other than the event control; nothing when `p` is none of them.
  std::optional<std::vector<int>> ActOnPin(const std::vector<int>& p);
  std::vector<int> ReadBlock(int command, int pin);
  void WriteBlock(const std::vector<int>& p);
  // Command 0: set aspect and the live outputs.
  void ActOnOutputs(const std::vector<int>& p);
  void MoveLive(const std::vector<int>& p);
  std::optional<Emission> CompleteOlderFrame();
  void Record(LayoutCommand command);
  // Frames the answer with the fault scheduled for this reply applied, if any.
  std::optional<Emission> Emit(const Answer& answer);

  Config config_;
  ModuleMemory memory_ = FactoryMemory();
  // receiver
  std::vector<uint8_t> frame_;
  int remaining_ = -1;  // -1: idle; 0: header expected; else bytes still to come (checksum too)
  bool older_format_ = false;          // the frame being received has no header
  int last_toggle_ = -1;               // -1: nothing accepted since power-up
  std::optional<Answer> last_answer_;  // repeated for a frame with the same alternation bit
  std::array<int, 4> feedback_{};
  std::optional<TogglingInput> toggling_;
  Clock* clock_ = nullptr;
  std::array<int, kModulePins> pin_aspects_ = UnsetAspects();
  // faults
  std::deque<std::pair<int, Fault>> faults_;
  int replies_sent_ = 0;
  // observations
  std::vector<Request> requests_;
  int reset_frames_ = 0;
  int erases_ = 0;
  std::vector<LayoutCommand> layout_commands_;
  std::function<void(const std::string&)> activity_sink_;

  static std::array<int, kModulePins> UnsetAspects() {
    std::array<int, kModulePins> a;
    a.fill(-1);
    return a;
  }
};

}  // namespace pyra::sim
