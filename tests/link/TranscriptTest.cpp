// Replays the wire transcripts in tests/data/link against the link and the operations: the frames
// the tool must send, the replies it is given, and the log lines, messages, verification lines,
// results and model changes they lead to. Expected wire bytes are built here from the frame rules
// (bit 7 set on every byte after the first, a checksum that makes the 7-bit sum a multiple of
// 128), never with the tool's own encoder. The line kinds are described in link.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "link/VeloraSetup.h"
#include "operations/EventControl.h"
#include "operations/GeneralSettings.h"
#include "operations/Identity.h"
#include "operations/VerifyGeneral.h"
#include "support/LinkFixture.h"

namespace pyra::test {
namespace {

struct Transcript {
  std::string name;
  std::vector<std::string> lines;
};
void PrintTo(const Transcript& t, std::ostream* os) { *os << t.name; }

std::vector<Transcript> Load() {
  std::vector<Transcript> all;
  for (const char* file : {"link", "velora", "operations", "events", "verify"}) {
    std::ifstream in(std::string(PYRA_TEST_DATA "/link/") + file + ".txt");
    for (std::string line; std::getline(in, line);) {
      if (line.starts_with("case ")) all.push_back({line.substr(5), {}});
      if (!all.empty() && !line.empty() && line[0] != '#') all.back().lines.push_back(line);
    }
  }
  return all;
}

std::string Hex2(int b) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", b);
  return text;
}

// Hex values of a line; "!" and "@ms" mark a broken checksum and a late reply.
std::vector<int> HexValues(std::istream& in, bool* bad = nullptr, int* delay_ms = nullptr) {
  std::vector<int> v;
  for (std::string t; in >> t;) {
    if (t == "!" && bad) *bad = true;
    if (t[0] == '@' && delay_ms) *delay_ms = std::stoi(t.substr(1));
    if (t != "!" && t[0] != '@') v.push_back(std::stoi(t, nullptr, 16));
  }
  return v;
}

// A frame on the wire from its 7-bit values; `bad` puts the checksum off by one.
std::vector<uint8_t> Wire(const std::vector<int>& v, bool bad = false) {
  std::vector<uint8_t> w;
  int sum = 0;
  for (std::size_t i = 0; i < v.size(); ++i) {
    w.push_back(static_cast<uint8_t>(i == 0 ? v[i] : 128 | v[i]));
    sum += v[i];
  }
  w.push_back(static_cast<uint8_t>(128 | ((128 - sum % 128 + (bad ? 1 : 0)) % 128)));
  return w;
}

std::string Text(const std::string& s) { return s; }
std::string Text(int v) { return std::to_string(v); }
template <class T, std::size_t N>
std::string Text(const std::array<T, N>& a) {
  std::string s;
  for (auto v : a) s += std::to_string(v) + ",";
  return s;
}
void Parse(std::string& f, const std::string& s) { f = s; }
void Parse(int& f, const std::string& s) { f = std::stoi(s); }
void Parse(bool& f, const std::string& s) { f = std::stoi(s); }
// Flags and small numbers are one digit per box; event slots are "3,-1,0,11".
template <class T, std::size_t N>
void Parse(std::array<T, N>& a, const std::string& s) {
  std::istringstream in(s);
  std::string item;
  for (std::size_t i = 0; i < N; ++i) {
    if (s.find(',') == std::string::npos) item = s.substr(i, 1);
    if (s.find(',') != std::string::npos && !std::getline(in, item, ',')) break;
    a[i] = static_cast<T>(std::stoi(item));
  }
}

// Every field a transcript may set or expect, by the name used in the data: the settings fields,
// the event slots of each pin ("on5", "off31"), NumberBase.
template <class C, class F>
void Fields(C& c, F&& f) {
  auto& s = c.Settings;
#define V(name) f(#name, s.name)
  V(IDString), V(FirmwareVersion), V(PRNative), V(LumoFlex), V(LumoModeAddress), V(ForceXA),
      V(ModuleXAddress), V(GroupMask), V(DccAddress), V(XDccAddress), V(PacketRetention),
      V(BasicPacketStateInvert), V(AllowAddress0), V(HwcSink), V(HwcSource), V(LedGreen),
      V(LedOrange), V(SerialEnable), V(SerialBaudIndex), V(SerialDataBits8), V(SerialParity),
      V(SerialStop2), V(InitEE), V(ForceXAKnown), V(InitEEKnown);
#undef V
  f("NumberBase", c.NumberBase);
  for (int p = 0; p < kPinCount; ++p) {
    f("on" + std::to_string(p), c.EventControl[p].EventOn);
    f("off" + std::to_string(p), c.EventControl[p].EventOff);
  }
}

class TranscriptTest : public LinkFixture, public ::testing::WithParamInterface<Transcript> {
 protected:
  bool Run(const std::string& op, const std::vector<int>& a) {
    ModuleSettings& s = c_.Settings;
    const std::map<std::string, std::function<bool()>> ops = {
        {"send", [&] { return link_.SendPRMessage(true, a); }},
        {"write", [&] { return link_.SendPRMessage(false, a); }},
        {"lumo", [&] { return link_.SendLumoMessage(a[0], a[1], a[2], a[3]), true; }},
        {"velora", [&] { return link_.SendVeloraMessage(a); }},
        // Lets a queued reply arrive before the tool sends: a stale answer in the buffer.
        {"arrive", [&] { return channel_->ReadByte(clock_.Now()).has_value(); }},
        {"EnableVeloraTunneling", [&] { return EnableVeloraTunneling(link_).tunnel_ready; }},
        {"ActivateTransparentMode", [&] { return ActivateTransparentMode(link_), true; }},
        {"EraseFlash", [&] { return EraseFlash(link_); }},
        {"ReadPinEvents", [&] { return ReadPinEvents(link_, c_, a.at(0)), true; }},
        {"WritePinEvents", [&] { return WritePinEvents(link_, c_, a.at(0)), true; }},
        {"VerifyGeneralSettings", [&] { return VerifyGeneralSettings(link_, s, vlog_); }},
        {"VerifyEvents", [&] { return VerifyEvents(link_, c_, vlog_); }},
        {"ReadAllEvents", [&] { return ReadAllEvents(link_, c_); }},
        {"WriteAllEvents", [&] { return WriteAllEvents(link_, c_); }},
    };
    using SettingsOp = std::function<bool(Link&, ModuleSettings&)>;
#define OP(f) std::pair<const std::string, SettingsOp>(#f, f)
    const std::map<std::string, SettingsOp> settings_ops = {
        OP(GetVersion),           OP(ReadIDString),          OP(WriteIDString),
        OP(ReadAddressSettings),  OP(WriteAddressSettings),  OP(ReadEnforcedFlag),
        OP(ReadDCCSettings),      OP(WriteDCCSettings),      OP(HWCRead),
        OP(WriteHWConfig),        OP(ReadLEDConfig),         OP(WriteLEDConfig),
        OP(ReadSerialPortConfig), OP(WriteSerialPortConfig), OP(ReadEnableMap),
        OP(WriteEnableMap)};
#undef OP
    if (settings_ops.contains(op)) return settings_ops.at(op)(link_, s);
    EXPECT_TRUE(ops.contains(op)) << op;
    return ops.contains(op) && ops.at(op)();
  }

  // Link state by its name in the data: `set` changes it, `after` compares it.
  bool SetLink(const std::string& key, int v) {
    LinkState& s = link_.State();
    const std::map<std::string, std::function<void()>> setters = {
        {"bd", [&] { s.Bidirectional = v; }},
        {"velora", [&] { s.UseVelora = v; }},
        {"address", [&] { s.ModuleAddress = static_cast<uint8_t>(v); }},
        {"xa", [&] { s.UseXAddress = v >= 0, s.ExtendedAddress = static_cast<uint8_t>(v); }},
        {"toggle", [&] { s.ToggleBit = v; }},
        {"vtoggle", [&] { s.VeloraToggle = v; }},
        // The link owns the channel: keep what went out before it is closed with it.
        {"closed",
         [&] { sent_before_close_ = channel_->Written(), link_.Close(), channel_ = nullptr; }},
        {"cancel", [&] { link_.RequestCancel(); }},
        {"lost", [&] { channel_->FailOnNextRead("device removed"); }}};
    return setters.contains(key) && (setters.at(key)(), true);
  }

  std::string LinkText() {
    const LinkState& s = link_.State();
    return " bd=" + Text(s.Bidirectional) + " velora=" + Text(s.UseVelora) +
           " valid=" + Text(s.ReplyValid) + " toggle=" + Text(s.ToggleBit) +
           " vtoggle=" + Text(s.VeloraToggle) + " size=" + Text(link_.ReplySize()) +
           " cancel=" + Text(link_.CancelRequested()) + " ms=" +
           std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(
                              clock_.Now().time_since_epoch())
                              .count()) +
           " ";
  }

  Configuration c_ = DefaultConfiguration();
  VerificationLog vlog_;
  std::vector<uint8_t> sent_before_close_;
};

void SetField(Configuration& c, const std::string& key, const std::string& value) {
  bool found = false;
  Fields(c, [&](const std::string& name, auto& f) {
    if (name == key) Parse(f, value), found = true;
  });
  EXPECT_TRUE(found) << "no field " << key;
}

std::string Describe(const Configuration& c) {
  std::string text;
  Fields(c, [&](const std::string& name, const auto& f) { text += name + "=" + Text(f) + "\n"; });
  return text;
}

TEST_P(TranscriptTest, Replays) {
  SkipReset();
  std::vector<uint8_t> wire;
  std::vector<std::string> log, messages;
  std::string verification;
  std::vector<int> results, oks;
  std::optional<Configuration> want;
  std::vector<std::pair<std::string, std::string>> changes;
  // The replies are queued first: the channel hands out the next one whenever the tool waits.
  for (const std::string& line : GetParam().lines) {
    std::istringstream in(line);
    std::string kind;
    bool bad = false;
    int delay = 0;
    if (in >> kind && (kind == "<" || kind == "<<" || kind == "<raw")) {
      const auto v = HexValues(in, &bad, &delay);
      channel_->QueueReply(kind == "<raw" ? std::vector<uint8_t>(v.begin(), v.end()) : Wire(v, bad),
                           std::chrono::milliseconds(delay));
    }
  }
  for (const std::string& line : GetParam().lines) {
    std::istringstream in(line);
    std::string kind;
    in >> kind;
    const std::string rest = line.substr(std::min(line.size(), kind.size() + 1));
    const std::size_t eq = rest.find('=');
    const std::string key = rest.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : rest.substr(eq + 1);
    bool bad = false;
    int delay = 0;
    if (kind == ">" || kind == ">>" || kind == "<" || kind == "<<") {
      const auto v = HexValues(in, &bad, &delay);
      const auto w = Wire(v);
      if (kind[0] == '>') wire.insert(wire.end(), w.begin(), w.end());
      // Empty Velora frames and dropped replies leave no log line.
      if (!bad && (kind.size() == 1 || v.size() > 1)) {
        log.push_back(kind + " ");
        for (int b : v) log.back() += " [" + Hex2(b) + "]";
      }
    } else if (kind == ">raw") {
      for (int b : HexValues(in)) wire.push_back(static_cast<uint8_t>(b));
    } else if (kind == "msg") {
      std::string text = rest;
      for (std::size_t i; (i = text.find("\\r\\n")) != std::string::npos;)
        text.replace(i, 4, "\r\n");
      for (std::size_t i; (i = text.find("\\s")) != std::string::npos;) text.replace(i, 2, " ");
      messages.push_back(text);
    } else if (kind == "vlog") {
      verification += rest + "\r\n";
    } else if (kind == "ok") {
      oks.push_back(std::stoi(rest));
    } else if (kind == "answer") {
      prompter_.QueueAnswer(rest == "ok" ? Answer::kOk : Answer::kCancel);
    } else if (kind == "set") {
      if (!SetLink(key, std::atoi(value.c_str()))) SetField(c_, key, value);
    } else if (kind == "want") {
      changes.emplace_back(key, value);
    } else if (kind == "run") {
      if (!want) want = c_;
      std::string op;
      in >> op;
      results.push_back(Run(op, HexValues(in)));
    } else if (kind == "after") {
      for (std::string kv; in >> kv;) {
        EXPECT_NE(LinkText().find(" " + kv + " "), std::string::npos) << kv << " in" << LinkText();
      }
    } else if (kind == "rx") {
      const auto v = HexValues(in);
      const auto& rx = link_.State().RxMessage;
      EXPECT_EQ(std::vector<int>(rx.begin(), rx.begin() + static_cast<long>(v.size())), v);
    } else if (kind == "checksum") {
      const std::vector<int> v = HexValues(in);
      std::vector<uint8_t> frame(v.begin(), v.end());
      EXPECT_EQ(ChecksumFor(std::span(frame).first(frame.size() - 1)), v.back()) << line;
      EXPECT_TRUE(ChecksumOk(frame)) << line;
      frame.back() ^= 1;
      EXPECT_FALSE(ChecksumOk(frame)) << line;
    } else if (kind != "case" && kind != "<raw") {
      ADD_FAILURE() << "unknown line: " << line;
    }
  }
  auto hex = [](const std::vector<uint8_t>& bytes) {
    std::string text;
    for (uint8_t b : bytes) text += Hex2(b) + " ";
    return text;
  };
  EXPECT_EQ(hex(channel_ ? channel_->Written() : sent_before_close_), hex(wire));
  EXPECT_EQ(log_, log);
  EXPECT_EQ(prompter_.Texts(), messages);
  EXPECT_EQ(vlog_.Text(), verification);
  EXPECT_EQ(results, oks);
  if (!want) return;
  for (const auto& [k, v] : changes) SetField(*want, k, v);
  EXPECT_EQ(Describe(c_), Describe(*want));
  EXPECT_TRUE(c_ == *want);
}

INSTANTIATE_TEST_SUITE_P(Data, TranscriptTest, ::testing::ValuesIn(Load()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace pyra::test
