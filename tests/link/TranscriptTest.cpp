// Replays the wire transcripts in tests/data/link against the link and the operations: the frames
// the tool must send, the replies it is given, and the log lines, messages, verification lines,
// results and model changes they lead to. Expected wire bytes are built here from the frame rules
// (bit 7 set on every byte after the first, a checksum that makes the 7-bit sum a multiple of
// 128), never with the tool's own encoder. The line kinds are described in the data files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <variant>

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
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(PYRA_TEST_DATA "/link")) {
    files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<Transcript> all;
  for (const auto& path : files) {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("case ", 0) == 0) {
        all.push_back({line.substr(5), {}});
      } else if (!all.empty() && !line.empty() && line[0] != '#') {
        all.back().lines.push_back(line);
      }
    }
  }
  return all;
}

std::string Hex2(int b) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", b);
  return text;
}

std::string HexText(const std::vector<uint8_t>& bytes) {
  std::string s;
  for (uint8_t b : bytes) s += (s.empty() ? "" : " ") + Hex2(b);
  return s;
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

std::string Unescape(std::string s) {
  for (std::size_t i; (i = s.find("\\r\\n")) != std::string::npos;) s.replace(i, 4, "\r\n");
  for (std::size_t i; (i = s.find("\\s")) != std::string::npos;) s.replace(i, 2, " ");
  return s;
}

using Field =
    std::variant<bool ModuleSettings::*, int ModuleSettings::*, std::string ModuleSettings::*,
                 std::array<bool, 16> ModuleSettings::*, std::array<bool, 4> ModuleSettings::*,
                 std::array<bool, 8> ModuleSettings::*, std::array<int, 8> ModuleSettings::*>;
#define F(name) \
  { #name, &ModuleSettings::name }
const std::map<std::string, Field> kFields = {
    F(IDString),        F(FirmwareVersion), F(PRNative),        F(LumoFlex),
    F(LumoModeAddress), F(ForceXA),         F(ModuleXAddress),  F(GroupMask),
    F(DccAddress),      F(XDccAddress),     F(PacketRetention), F(BasicPacketStateInvert),
    F(AllowAddress0),   F(HwcSink),         F(HwcSource),       F(LedGreen),
    F(LedOrange),       F(SerialEnable),    F(SerialBaudIndex), F(SerialDataBits8),
    F(SerialParity),    F(SerialStop2),     F(InitEE),          F(ForceXAKnown),
    F(InitEEKnown)};
#undef F

// Fields are written as in the data: numbers, 0/1 for flags, a digit per box for arrays, event
// slots as "3,-1,0,11".
void SetField(Configuration& c, const std::string& key, const std::string& value) {
  if (key.starts_with("on") || key.starts_with("off")) {
    const bool on = key[1] == 'n';
    auto& slots = on ? c.EventControl[std::stoi(key.substr(2))].EventOn
                     : c.EventControl[std::stoi(key.substr(3))].EventOff;
    std::istringstream in(value);
    std::string item;
    for (int i = 0; std::getline(in, item, ','); ++i) slots[i] = std::stoi(item);
  } else if (key == "NumberBase") {
    c.NumberBase = std::stoi(value);
  } else {
    ASSERT_TRUE(kFields.contains(key)) << key;
    std::visit(
        [&](auto member) {
          auto& f = c.Settings.*member;
          using T = std::decay_t<decltype(f)>;
          if constexpr (std::is_same_v<T, std::string>)
            f = value;
          else if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, int>)
            f = std::stoi(value);
          else
            for (std::size_t i = 0; i < f.size(); ++i) f[i] = value.at(i) - '0';
        },
        kFields.at(key));
  }
}

std::string Describe(const Configuration& c) {
  std::string text;
  for (const auto& [key, field] : kFields) {
    std::visit(
        [&](auto member) {
          const auto& f = c.Settings.*member;
          using T = std::decay_t<decltype(f)>;
          text += key + "=";
          if constexpr (std::is_same_v<T, std::string>)
            text += f;
          else if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, int>)
            text += std::to_string(f);
          else
            for (auto v : f) text += std::to_string(v);
          text += "\n";
        },
        field);
  }
  for (int p = 0; p < kPinCount; ++p) {
    if (c.EventControl[p] == EventControlRecord{}) continue;
    text += "events of pin " + std::to_string(p) + ":";
    for (int v : c.EventControl[p].EventOn) text += " " + std::to_string(v);
    for (int v : c.EventControl[p].EventOff) text += " " + std::to_string(v);
    text += "\n";
  }
  return text;
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
        {"GetVersion", [&] { return GetVersion(link_, s); }},
        {"ReadIDString", [&] { return ReadIDString(link_, s); }},
        {"WriteIDString", [&] { return WriteIDString(link_, s); }},
        {"EraseFlash", [&] { return EraseFlash(link_); }},
        {"ReadAddressSettings", [&] { return ReadAddressSettings(link_, s); }},
        {"WriteAddressSettings", [&] { return WriteAddressSettings(link_, s); }},
        {"ReadEnforcedFlag", [&] { return ReadEnforcedFlag(link_, s); }},
        {"ReadDCCSettings", [&] { return ReadDCCSettings(link_, s); }},
        {"WriteDCCSettings", [&] { return WriteDCCSettings(link_, s); }},
        {"HWCRead", [&] { return HWCRead(link_, s); }},
        {"WriteHWConfig", [&] { return WriteHWConfig(link_, s); }},
        {"ReadLEDConfig", [&] { return ReadLEDConfig(link_, s); }},
        {"WriteLEDConfig", [&] { return WriteLEDConfig(link_, s); }},
        {"ReadSerialPortConfig", [&] { return ReadSerialPortConfig(link_, s); }},
        {"WriteSerialPortConfig", [&] { return WriteSerialPortConfig(link_, s); }},
        {"ReadEnableMap", [&] { return ReadEnableMap(link_, s); }},
        {"WriteEnableMap", [&] { return WriteEnableMap(link_, s); }},
        {"ReadAllEvents", [&] { return ReadAllEvents(link_, c_); }},
        {"WriteAllEvents", [&] { return WriteAllEvents(link_, c_); }},
        {"ReadPinEvents", [&] { return ReadPinEvents(link_, c_, a.at(0)), true; }},
        {"WritePinEvents", [&] { return WritePinEvents(link_, c_, a.at(0)), true; }},
        {"VerifyGeneralSettings", [&] { return VerifyGeneralSettings(link_, s, vlog_); }},
        {"VerifyEvents", [&] { return VerifyEvents(link_, c_, vlog_); }},
    };
    EXPECT_TRUE(ops.contains(op)) << op;
    return ops.contains(op) && ops.at(op)();
  }

  // Link state named as in the data: `set` changes it, `after` compares it.
  bool SetLink(const std::string& key, const std::string& value) {
    static const std::set<std::string> kKeys = {"bd",      "velora", "address", "xa",  "toggle",
                                                "vtoggle", "closed", "cancel",  "lost"};
    if (!kKeys.contains(key)) return false;
    LinkState& s = link_.State();
    const int v = std::stoi(value);
    if (key == "bd")
      s.Bidirectional = v;
    else if (key == "velora")
      s.UseVelora = v;
    else if (key == "address")
      s.ModuleAddress = static_cast<uint8_t>(v);
    else if (key == "xa")
      s.UseXAddress = v >= 0, s.ExtendedAddress = static_cast<uint8_t>(v);
    else if (key == "toggle")
      s.ToggleBit = v;
    else if (key == "vtoggle")
      s.VeloraToggle = v;
    else if (key == "closed")
      link_.Close();
    else if (key == "cancel")
      link_.RequestCancel();
    else if (key == "lost")
      channel_->FailOnNextRead("device removed");
    return true;
  }

  int GetLink(const std::string& key) {
    const LinkState& s = link_.State();
    const std::map<std::string, int> values = {{"bd", s.Bidirectional},
                                               {"velora", s.UseVelora},
                                               {"valid", s.ReplyValid},
                                               {"toggle", s.ToggleBit},
                                               {"vtoggle", s.VeloraToggle},
                                               {"size", link_.ReplySize()},
                                               {"cancel", link_.CancelRequested()}};
    EXPECT_TRUE(values.contains(key)) << key;
    return values.contains(key) ? values.at(key) : -1;
  }

  Configuration c_ = DefaultConfiguration();
  VerificationLog vlog_;
};

std::vector<int> HexValues(std::istream& in, bool* bad = nullptr, int* delay_ms = nullptr) {
  std::vector<int> v;
  for (std::string t; in >> t;) {
    if (t == "!" && bad)
      *bad = true;
    else if (t[0] == '@' && delay_ms)
      *delay_ms = std::stoi(t.substr(1));
    else
      v.push_back(std::stoi(t, nullptr, 16));
  }
  return v;
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
    in >> kind;
    bool bad = false;
    int delay = 0;
    if (kind == "<" || kind == "<<" || kind == "<raw") {
      const auto v = HexValues(in, &bad, &delay);
      channel_->QueueReply(kind == "<raw" ? std::vector<uint8_t>(v.begin(), v.end()) : Wire(v, bad),
                           std::chrono::milliseconds(delay));
    }
  }
  for (const std::string& line : GetParam().lines) {
    std::istringstream in(line);
    std::string kind;
    in >> kind;
    const std::string rest = line.size() > kind.size() ? line.substr(kind.size() + 1) : "";
    const std::string key = rest.substr(0, rest.find('='));
    const std::string value =
        rest.find('=') == std::string::npos ? "" : rest.substr(rest.find('=') + 1);
    bool bad = false;
    int delay = 0;
    if (kind == ">" || kind == ">>" || kind == "<" || kind == "<<") {
      const auto v = HexValues(in, &bad, &delay);
      if (kind[0] == '>') {
        const auto w = Wire(v);
        wire.insert(wire.end(), w.begin(), w.end());
      }
      // Empty Velora frames and dropped replies leave no log line.
      if (!bad && (kind.size() == 1 || v.size() > 1)) {
        std::string text = kind + " ";
        for (int b : v) text += " [" + Hex2(b) + "]";
        log.push_back(text);
      }
    } else if (kind == "<raw") {
    } else if (kind == ">raw") {
      for (int b : HexValues(in)) wire.push_back(static_cast<uint8_t>(b));
    } else if (kind == "log") {
      log.push_back(rest);
    } else if (kind == "msg") {
      messages.push_back(Unescape(rest));
    } else if (kind == "vlog") {
      verification += rest + "\r\n";
    } else if (kind == "ok") {
      oks.push_back(std::stoi(rest));
    } else if (kind == "answer") {
      prompter_.QueueAnswer(rest == "ok" ? Answer::kOk : Answer::kCancel);
    } else if (kind == "set") {
      if (!SetLink(key, value)) SetField(c_, key, value);
    } else if (kind == "want") {
      changes.emplace_back(key, value);
    } else if (kind == "run") {
      if (!want) want = c_;
      std::string op;
      in >> op;
      results.push_back(Run(op, HexValues(in)));
    } else if (kind == "after") {
      for (std::string kv; in >> kv;) {
        EXPECT_EQ(GetLink(kv.substr(0, kv.find('='))), std::stoi(kv.substr(kv.find('=') + 1)))
            << kv;
      }
    } else if (kind == "rx") {
      const auto v = HexValues(in);
      const auto& rx = link_.State().RxMessage;
      EXPECT_EQ(std::vector<int>(rx.begin(), rx.begin() + static_cast<long>(v.size())), v);
    } else if (kind == "time") {
      int lo = 0, hi = 0;
      in >> lo >> hi;
      const auto ms =
          std::chrono::duration_cast<std::chrono::milliseconds>(clock_.Now().time_since_epoch())
              .count();
      EXPECT_TRUE(ms >= lo && ms <= hi) << ms << " ms";
    } else if (kind == "hints") {
      const auto& got = channel_->Expected();
      const auto v = HexValues(in);
      EXPECT_EQ(std::vector<int>(got.begin(), got.end()), v);
    } else if (kind == "checksum") {
      std::vector<int> v = HexValues(in);
      const std::vector<uint8_t> frame(v.begin(), v.end() - 1);
      EXPECT_EQ(ChecksumFor(frame), v.back()) << line;
      std::vector<uint8_t> whole(v.begin(), v.end());
      EXPECT_TRUE(ChecksumOk(whole)) << line;
      whole.back() ^= 1;
      EXPECT_FALSE(ChecksumOk(whole)) << line;
    } else {
      ADD_FAILURE() << "unknown line: " << line;
    }
  }
  EXPECT_EQ(HexText(channel_->Written()), HexText(wire));
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
