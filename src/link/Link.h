#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "link/ByteChannel.h"
#include "link/Clock.h"
#include "link/Prompter.h"

namespace pyra {

// The link configuration and the state of the last exchange. The three flags mirror the check
// boxes "Bidirectional Comm.", "Use eXtended Addr" and "Use Velora Tunneling"; the link unticks
// Bidirectional itself when a reply does not come.
struct LinkState {
  uint8_t ModuleAddress = 0;
  uint8_t ExtendedAddress = 0;
  int ToggleBit = 0;  // 0 or 64; 128 = link reset pending
  std::array<int, 21> RxMessage{};
  bool ReplyValid = false;
  int VeloraToggle = 0;
  bool Bidirectional = true;
  bool UseXAddress = false;
  bool UseVelora = false;
};

// One module link: frames, checksums, the alternation bit, reply validation, the Velora route
// and the communication log. All calls are synchronous and must come from one thread at a time.
class Link {
 public:
  using LogSink = std::function<void(const std::string& line)>;
  // Where a long operation stands: a short text ("Reading pin 5 of 32") and done / total steps.
  using ProgressSink = std::function<void(const std::string& step, int done, int total)>;

  Link(Clock& clock, Prompter& prompter);
  ~Link();

  // A (re)opened port starts with a link reset before its next frame.
  void Open(std::unique_ptr<ByteChannel> channel);
  void Close();
  bool PortOpen() const;
  // The port was opened but has closed itself since (an adapter pulled, the far end gone).
  bool LineLost() const { return channel_ && !channel_->IsOpen(); }
  // Tells the user once per opened port that the line was lost; later calls say nothing.
  void ReportLineLost();
  ByteChannel* Channel() { return channel_.get(); }

  LinkState& State() { return state_; }
  const LinkState& State() const { return state_; }
  Clock& GetClock() { return clock_; }
  Prompter& GetPrompter() { return prompter_; }
  void SetPrompter(Prompter& prompter) { prompter_ = prompter; }

  void SetLogSink(LogSink sink) { log_ = std::move(sink); }
  void Log(const std::string& line);
  void SetProgressSink(ProgressSink sink) { progress_ = std::move(sink); }
  void ReportProgress(const std::string& step, int done, int total) {
    if (progress_) progress_(step, done, total);
  }
  // Writes without bidirectional mode are paced: nothing else tells the tool the module is ready.
  void PaceWrite();

  // Port, bit rate or module address changed: the next frame is preceded by a link reset.
  void RequestReset() { state_.ToggleBit = 128; }

  // Frames and sends up to 15 payload bytes (each 0..127). On the direct link the result is
  // true once the frame is out; callers that need the reply test ReplyValid and read RxMessage.
  bool SendPRMessage(bool expect_reply, std::span<const int> payload);
  bool SendPRMessage(bool expect_reply, std::initializer_list<int> payload) {
    return SendPRMessage(expect_reply, std::span<const int>(payload.begin(), payload.size()));
  }
  // Asks with bidirectional mode on, but waits only `wait` for the reply instead of 2 seconds and
  // says nothing when none comes (bidirectional mode stays on): for finding out which addresses
  // answer. A reply that comes but is invalid is reported as always. Returns ReplyValid.
  bool Probe(std::span<const int> payload, Clock::Duration wait);
  bool Probe(std::initializer_list<int> payload, Clock::Duration wait) {
    return Probe(std::span<const int>(payload.begin(), payload.size()), wait);
  }
  // The older output modules' frame: three data bytes, never answered.
  void SendLumoMessage(int address_byte, int b1, int b2, int b3);
  void SendSyncBurst();
  // Collects one reply frame into RxMessage; false when none came within 2 seconds.
  bool ReceiveReply();

  // One Velora frame with its answer; false (after the message) when no valid answer came.
  bool SendVeloraMessage(std::span<const int> payload);
  bool SendVeloraMessage(std::initializer_list<int> payload) {
    return SendVeloraMessage(std::span<const int>(payload.begin(), payload.size()));
  }
  // Receives one Velora frame into RxMessage; returns its log text, empty when none was valid.
  std::string ReceiveVeloraReply();

  int ReplySize() const { return state_.RxMessage[1] & 15; }

  // Long operations stop between exchanges once a cancel was requested (any thread may ask).
  void RequestCancel() { cancel_ = true; }
  void ClearCancel() { cancel_ = false; }
  bool CancelRequested() const { return cancel_; }

 private:
  bool SendVeloraRoute(bool expect_reply, std::span<const int> payload);
  void WriteBytes(std::span<const uint8_t> bytes);
  void DiscardReceived();
  void WriteReset(uint8_t address_byte, std::initializer_list<uint8_t> rest);
  Clock::TimePoint Deadline();
  // The deadline of a module's reply: 2 seconds, or the wait of a probe.
  Clock::TimePoint ReplyDeadline();
  bool TimeUp(Clock::TimePoint t0, Clock::TimePoint deadline);

  Clock& clock_;
  std::reference_wrapper<Prompter> prompter_;
  std::unique_ptr<ByteChannel> channel_;
  LinkState state_;
  LogSink log_;
  ProgressSink progress_;
  // Size of the last reply to each command byte. A channel that can wait for a whole frame at
  // once is told what to expect; a wrong guess costs a little time, never a byte.
  std::array<uint8_t, 128> reply_sizes_{};
  std::size_t expected_reply_ = 0;  // for the next ReceiveReply
  uint8_t last_reply_size_ = 0;     // of the last frame ReceiveReply accepted
  std::atomic<bool> cancel_{false};
  bool line_lost_reported_ = false;
  std::optional<Clock::Duration> probe_wait_;  // set while a probe runs
};

}  // namespace pyra
