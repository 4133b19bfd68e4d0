#include "devices/Devices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RichConfiguration.h"
#include "TempDir.h"
#include "model/AddressAssignment.h"
#include "support/ScriptedPrompter.h"

namespace pyra {
namespace {

using test::ScriptedPrompter;
using test::Step;
using test::TempDir;
using test::WriteBytes;

// Three pins: a servo head with aspects, a PWM member and an input member.
const char kThreePins[] =
    "\"PyraDeviceDefinitions Test\"\r\n"
    "\"Dev\",\"Other\"\r\n  \"Pin\",0,0,0,\"Other\"\r\n"
    "\"Dev\",\"Three\"\r\n"
    "  \"Pin\",0,2,1,\"Head\"\r\n    \"Cfg\",1,64,10,64,127,58,127,127,64,0,64,0\r\n"
    "    \"PAM\",0,2,3\r\n    \"Asp\",1,\"Thrown\"\r\n      \"Ins\",2,25,1,0,0,0\r\n"
    "  \"Pin\",1,0,0,\"Middle\"\r\n    \"Cfg\",2,5,0,7\r\n    \"PAM\",1,1,1\r\n"
    "  \"Pin\",2,0,0,\"Last\"\r\n    \"Cfg\",4,0,0,3,3\r\n    \"PAM\",1,0,1\r\n"
    "\"Dev\",\"Next\"\r\n  \"Pin\",0,0,0,\"Next\"\r\n"
    "\"End\"\r\n";

Configuration At(int pin) {
  Configuration c = DefaultConfiguration();
  c.CurrentPin = pin;
  return c;
}

// A library file in `dir` listing `names`, every entry read from that file.
DeviceLibrary LibraryFile(const TempDir& dir, const std::string& text,
                          const std::vector<std::string>& names) {
  WriteBytes(dir.File("lib.def"), text);
  DeviceLibrary library;
  library.Names = names;
  library.DeviceFiles.assign(names.size(), dir.File("lib.def"));
  return library;
}

TEST(ApplyDeviceTest, DeviceAtPin30WrapsAroundToPin0) {
  Configuration c = At(30);
  c.Pins[31].PinConfig = {2, 1, 1, 1, 9, 30, 0, 0, 0, 0, 0, 0, 0};
  const ApplyResult r = ApplyDeviceText(kThreePins, "Three", c);
  ASSERT_EQ(r.outcome, ApplyOutcome::kApplied) << r.error.reason;
  EXPECT_EQ(c.Pins[30].DeviceLink, 0);
  EXPECT_EQ(c.Pins[31].DeviceLink, -1);
  EXPECT_EQ(c.Pins[0].DeviceLink, 30);
  EXPECT_EQ(c.Pins[30].DeviceName, "Three");
  EXPECT_EQ(c.Pins[30].Description, "Head");
  EXPECT_EQ(c.Pins[31].Description, "Middle");
  EXPECT_EQ(c.Pins[0].Description, "Last");
  EXPECT_EQ(c.Pins[30].Aspects[1].Description, "Thrown");
  EXPECT_EQ(c.Pins[30].Aspects[1].Steps[2], Step(9, 1, 0, 0, 0, 1));
  EXPECT_EQ(c.Pins[30].DccCount, 2);
  EXPECT_EQ(c.Pins[30].LumoCount, 3);
  EXPECT_EQ(c.Pins[30].XDccCount, 0);
  EXPECT_TRUE(r.overwritten.empty());
  // A type-2 "Cfg" of four fields keeps the levels after them, and the "PAM" tag that follows.
  EXPECT_EQ(c.Pins[31].PinConfig,
            (std::array<uint8_t, 13>{2, 5, 0, 7, 9, 30, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(c.Pins[31].XDccCount, 1);  // the PAM record after it was read as such
  EXPECT_EQ(c.Pins[0].PinConfig[0], 4);
  EXPECT_EQ(c.Pins[0].PinConfig[4], 3);
}

TEST(ApplyDeviceTest, ApplyingOverADeviceHeadDetachesItsMembersFirst) {
  Configuration c = At(10);
  c.Pins[10].DeviceName = "Old";
  for (int p : {11, 12, 13}) {
    c.Pins[p].DeviceLink = 10 - p;
    c.Pins[p].DeviceName = "stale";
  }
  ASSERT_EQ(ApplyDeviceText(kThreePins, "Next", c).outcome, ApplyOutcome::kApplied);
  EXPECT_EQ(c.Pins[10].DeviceName, "Next");
  for (int p : {11, 12, 13}) {
    EXPECT_EQ(c.Pins[p].DeviceLink, 0) << p;
    EXPECT_EQ(c.Pins[p].DeviceName, "") << p;
  }
}

TEST(ApplyDeviceTest, AbsolutePinRecordsIgnoreTheCurrentPin) {
  Configuration c = At(3);
  ASSERT_EQ(ApplyDeviceText("\"PyraDeviceDefinitions \"\r\n\"Dev\",\"Abs\"\r\n"
                            "  \"Pab\",33,0,0,\"One\"\r\n\"End\"\r\n",
                            "Abs", c)
                .outcome,
            ApplyOutcome::kApplied);
  EXPECT_EQ(c.Pins[1].Description, "One");  // 33 And 31
  EXPECT_EQ(c.Pins[1].DeviceLink, 2);
  EXPECT_EQ(c.Pins[3].DeviceName, "Abs");
}

TEST(ApplyDeviceTest, ReplacedPinsAreReportedInOrderAsShown) {
  TempDir dir;
  const DeviceLibrary library = LibraryFile(dir, kThreePins, {"Three"});
  Configuration c = At(3);
  c.NumberBase = 0;
  for (int p : {3, 4, 5}) c.Pins[p].Description = "used";
  ScriptedPrompter prompter;
  std::vector<LoadRefresh> refreshed;
  ASSERT_TRUE(ApplyDevice(c, library, 0, "Three", prompter,
                          [&](LoadRefresh r) { refreshed.push_back(r); }));
  EXPECT_EQ(prompter.Texts(),
            std::vector<std::string>{"Information: The following Pin numbers were\n\ralready used "
                                     "and have been overwritten:\n\r 3, 4, 5"});
  EXPECT_EQ(prompter.All()[0].icon, Icon::kExclamation);
  EXPECT_EQ(refreshed.size(), 9u);
  EXPECT_EQ(refreshed.back(), LoadRefresh::kApplyShowDetails);
  EXPECT_EQ(c.DccStart[4], 5);  // pin 3 now has two DCC outputs
}

TEST(ApplyDeviceTest, MissingNameOrDeviceChangesNothing) {
  TempDir dir;
  const DeviceLibrary library = LibraryFile(dir, kThreePins, {"Three", "Gone"});
  Configuration c = At(3);
  const Configuration before = c;
  ScriptedPrompter prompter;
  EXPECT_FALSE(ApplyDevice(c, library, 0, "", prompter));
  EXPECT_FALSE(ApplyDevice(c, library, 1, "Gone", prompter));
  EXPECT_FALSE(ApplyDevice(c, library, -1, "Typed", prompter));
  EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Select Devicename to load",
                                                        "No match found", "No match found"}));
  EXPECT_EQ(prompter.All()[0].icon, Icon::kNone);
  EXPECT_TRUE(c.Pins == before.Pins);
}

TEST(ApplyDeviceTest, MalformedDeviceIsRefusedAndChangesNothing) {
  TempDir dir;
  const DeviceLibrary library =
      LibraryFile(dir,
                  "\"PyraDeviceDefinitions \"\r\n\"Dev\",\"Bad\"\r\n  \"Pin\",0,0,0,\"A\"\r\n"
                  "  \"Pin\",1,0,0,\"B\"\r\n    \"PAM\",1,9,1\r\n"
                  "\"Dev\",\"Cut\"\r\n  \"Pin\",0,0,0,\"A\"\r\n",
                  {"Bad", "Cut"});
  Configuration c = At(0);
  const Configuration before = c;
  ScriptedPrompter prompter;
  EXPECT_FALSE(ApplyDevice(c, library, 0, "Bad", prompter));
  EXPECT_FALSE(ApplyDevice(c, library, 1, "Cut", prompter));
  EXPECT_EQ(prompter.Texts(),
            (std::vector<std::string>{
                "Invalid definition file\r\nLine 5: DCC count 9 is out of range 0..7",
                "Invalid definition file\r\nLine 7: the file ends before \"End\""}));
  EXPECT_TRUE(c.Pins == before.Pins);
}

// Found by fuzzing: texts with a double quote kept it in the model, and only the next save
// turned it into an apostrophe.
TEST(ApplyDeviceTest, DoubleQuotesInUnquotedTextsBecomeApostrophes) {
  const std::string text =
      "\"PyraDeviceDefinitions \"\r\n\"Dev\",Gate 1\"\r\n  \"Pin\",0,2,0,12\" lamp\r\n"
      "    \"Asp\",0,\"On\" \"x\"\r\n\"End\"\r\n";
  ASSERT_EQ(ListDefinitions(text), std::vector<std::string>{"Gate 1\""});
  Configuration c = At(4);
  ASSERT_EQ(ApplyDeviceText(text, "Gate 1\"", c).outcome, ApplyOutcome::kApplied);
  EXPECT_EQ(c.Pins[4].DeviceName, "Gate 1'");
  EXPECT_EQ(c.Pins[4].Description, "12' lamp");
  EXPECT_EQ(c.Pins[4].Aspects[0].Description, "On");  // a quoted text ends at its quote
}

TEST(SaveDeviceTest, DeviceIsWrittenInTheExactLayout) {
  Configuration c = DefaultConfiguration();
  c.Pins[5].DeviceName = "Pair";
  c.Pins[5].Description = "Red";
  c.Pins[5].AspectMode = kAspectMode12x3;
  c.Pins[5].Aspects[0].Description = "Stop";
  c.Pins[5].Aspects[0].Steps[1] = Step(9, 1, 0, 0, 0, 1);
  c.Pins[5].Aspects[1].Steps[0] = Step(9);  // no description: not written
  c.Pins[5].PinConfig = {1, 64, 2 + 8 + 64, 64, 127, 58, 127, 127, 64, 0, 64, 0, 0};
  c.Pins[4].DeviceLink = 1;  // a member below its head
  c.Pins[4].Description = "Green";
  EXPECT_EQ(DeviceText(c, 5),
            "\"PyraDeviceDefinitions Pair\"\r\n"
            "\"Dev\",\"Pair\"\r\n"
            "  \"Pin\",0,2,0,\"Red\"\r\n"
            "    \"Cfg\",1,64,10,64,127,58,127,127,64,0,64,0\r\n"
            "    \"PAM\",1,1,1\r\n"
            "    \"Asp\",0,\"Stop\"\r\n"
            "      \"Ins\",1,25,1,0,0,0\r\n"
            "  \"Pin\",31,0,0,\"Green\"\r\n"
            "    \"Cfg\",0\r\n"
            "    \"PAM\",1,1,1\r\n"
            "\"End\"\r\n");
  EXPECT_EQ(c.Pins[5].PinConfig[2], 10);
}

TEST(DetachDeviceTest, OnlyAHeadDetachesAndEveryMemberLosesItsName) {
  Configuration c = DefaultConfiguration();
  c.Pins[8].DeviceName = "D";
  c.Pins[9].DeviceLink = -1;
  c.Pins[9].DeviceName = "D";
  c.Pins[7].DeviceLink = 1;
  DetachDevice(c, 9);  // a member: nothing happens
  EXPECT_EQ(c.Pins[9].DeviceLink, -1);
  DetachDevice(c, 8);
  for (int p : {7, 8, 9}) {
    EXPECT_EQ(c.Pins[p].DeviceLink, 0) << p;
    EXPECT_EQ(c.Pins[p].DeviceName, "") << p;
  }
}

}  // namespace
}  // namespace pyra
