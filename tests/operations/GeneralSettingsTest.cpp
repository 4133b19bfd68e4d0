#include <gtest/gtest.h>

#include "operations/GeneralSettings.h"
#include "support/LinkFixture.h"

namespace pyra::test {
namespace {

using Frames = std::vector<std::vector<int>>;

class GeneralSettingsTest : public LinkFixture {
 protected:
  void SetUp() override { SkipReset(); }
  ModuleSettings s_;
};

TEST_F(GeneralSettingsTest, DccWriteSplitsAddressesIntoSevenBitHalves) {
  link_.State().Bidirectional = false;
  s_.DccAddress = 300;
  s_.XDccAddress = 2046;
  s_.PacketRetention = -1;
  s_.AllowAddress0 = true;
  EXPECT_TRUE(WriteDCCSettings(link_, s_));
  EXPECT_EQ(SentPayloads(), (Frames{{96, 5, 2 + 8}, {96, 4, 44, 4}, {96, 12, 62, 31}}));
}

TEST_F(GeneralSettingsTest, DccReadTakesTheOptionsBeforeClampingTheAddress) {
  QueueReplies({{112, 5, 8}, {112, 4, 0, 0}, {112, 12, 62, 31}});
  EXPECT_TRUE(ReadDCCSettings(link_, s_));
  EXPECT_TRUE(s_.AllowAddress0);
  EXPECT_EQ(s_.DccAddress, 0) << "address 0 stays 0 when the module allows it";
  EXPECT_EQ(s_.XDccAddress, 2046);
}

TEST_F(GeneralSettingsTest, DccReadReportsAWrongSizeAndGoesOn) {
  QueueReplies({{112, 5}, {112, 4, 44}, {112, 12, 5, 0}});
  EXPECT_TRUE(ReadDCCSettings(link_, s_));
  EXPECT_EQ(prompter_.Texts(),
            (std::vector<std::string>{"Received Address, cannot read DCC options",
                                      "Get DCC Address: No valid response, size <> 4"}));
  EXPECT_EQ(s_.DccAddress, 1);
  EXPECT_EQ(s_.XDccAddress, 5);
}

TEST_F(GeneralSettingsTest, DccReadStopsAtTheFirstMissingReply) {
  QueueReplies({{112, 5, 0}});
  EXPECT_FALSE(ReadDCCSettings(link_, s_));
  EXPECT_EQ(SentPayloads().size(), 2u) << "the extended address is not asked";
}

struct AddressingCase {
  const char* name;
  Frames replies;
  bool native;
  bool flex;
  int lumo_mode_address;
  bool force_xa;
  int module_xaddress;
};

class ReadAddressSettingsTest : public GeneralSettingsTest,
                                public ::testing::WithParamInterface<AddressingCase> {};

TEST_P(ReadAddressSettingsTest, FillsTheAddressingFlags) {
  const auto& c = GetParam();
  s_.ModuleXAddress = 9;
  QueueReplies(c.replies);
  EXPECT_TRUE(ReadAddressSettings(link_, s_)) << c.name;
  EXPECT_EQ(s_.PRNative, c.native) << c.name;
  EXPECT_EQ(s_.LumoFlex, c.flex) << c.name;
  EXPECT_EQ(s_.LumoModeAddress, c.lumo_mode_address) << c.name;
  EXPECT_EQ(s_.ForceXA, c.force_xa) << c.name;
  EXPECT_EQ(s_.ModuleXAddress, c.module_xaddress) << c.name;
  EXPECT_TRUE(s_.ForceXAKnown) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReadAddressSettingsTest,
    ::testing::Values(AddressingCase{"native",
                                     {{112, 8, 0, 64}, {112, 2, 7}, {112, 3, 0, 0, 0, 0}},
                                     true,
                                     false,
                                     0,
                                     false,
                                     7},
                      AddressingCase{"lumo flexible",
                                     {{112, 8, 1, 5}, {112, 2, 7}, {112, 3, 0, 0, 0, 0}},
                                     false,
                                     true,
                                     5,
                                     false,
                                     7},
                      AddressingCase{"enforced extended address",
                                     {{112, 8, 0, 0}, {112, 2, 127}, {112, 3, 0, 0, 0, 0}},
                                     false,
                                     false,
                                     0,
                                     true,
                                     0}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n) {
        if (ch == ' ') ch = '_';
      }
      return n;
    });

TEST_F(GeneralSettingsTest, AddressingReadNamesAWrongSizeOrEchoAndGoesOn) {
  QueueReplies({{112, 8, 1}, {112, 9, 4}, {112, 3, 1, 2, 4, 8}});
  EXPECT_TRUE(ReadAddressSettings(link_, s_));
  EXPECT_EQ(prompter_.Texts(),
            (std::vector<std::string>{"No valid response, size = 3 expected = 4",
                                      "No valid response, msg = 112,9 expected = 112,2"}));
  EXPECT_FALSE(s_.ForceXAKnown) << "the enforced flag was not learnt";
  EXPECT_TRUE(s_.GroupMask[0] && s_.GroupMask[5] && s_.GroupMask[10] && s_.GroupMask[15]);
}

TEST_F(GeneralSettingsTest, EnforcedExtendedAddressWritesZerosThen127WhateverTheBoxesShow) {
  link_.State().Bidirectional = false;
  s_.ForceXA = true;
  s_.LumoFlex = true;
  s_.LumoModeAddress = 9;
  s_.GroupMask.fill(true);
  s_.ModuleXAddress = 44;
  EXPECT_TRUE(WriteAddressSettings(link_, s_));
  EXPECT_EQ(SentPayloads(), (Frames{{96, 8, 0, 0}, {96, 3, 0, 0, 0, 0}, {96, 2, 127}}));
}

TEST_F(GeneralSettingsTest, AddressingWriteSendsFlagsMasksThenTheExtendedAddress) {
  link_.State().Bidirectional = false;
  s_.PRNative = true;
  s_.GroupMask[0] = s_.GroupMask[5] = true;
  s_.ModuleXAddress = 44;
  WriteAddressSettings(link_, s_);
  EXPECT_EQ(SentPayloads(), (Frames{{96, 8, 0, 64}, {96, 3, 1, 2, 0, 0}, {96, 2, 44}}));
}

TEST_F(GeneralSettingsTest, HardwareReadSetsGroupsUntilAByteOutOfRange) {
  QueueReplies({{112, 1, 0, 1, 2, 3}});
  EXPECT_TRUE(HWCRead(link_, s_));
  EXPECT_EQ(s_.HwcSink, (std::array<bool, 4>{false, true, false, true}));
  EXPECT_EQ(s_.HwcSource, (std::array<bool, 4>{false, false, true, true}));
  QueueReplies({{112, 1, 1, 4, 0, 0}});
  EXPECT_FALSE(HWCRead(link_, s_));
  EXPECT_EQ(prompter_.Last(), "No valid response byte");
  EXPECT_TRUE(s_.HwcSink[0]);
  EXPECT_FALSE(s_.HwcSource[0]);
  EXPECT_TRUE(s_.HwcSink[1]) << "groups after the bad byte keep their state";
}

TEST_F(GeneralSettingsTest, LedReadGoesOnWithOrangeAfterABadGreenReply) {
  QueueReplies({{112, 6}, {112, 7, 9}});
  EXPECT_TRUE(ReadLEDConfig(link_, s_));
  EXPECT_EQ(prompter_.Last(), "No valid response");
  EXPECT_EQ(s_.LedOrange, (std::array<int, 8>{1, 0, 0, 1, 0, 0, 0, 0}));
}

TEST_F(GeneralSettingsTest, SerialPortWriteAndRead) {
  link_.State().Bidirectional = false;
  s_.SerialEnable = true;
  s_.SerialBaudIndex = 5;
  s_.SerialDataBits8 = true;
  s_.SerialParity = 2;
  EXPECT_TRUE(WriteSerialPortConfig(link_, s_));
  EXPECT_EQ(SentPayloads(), (Frames{{96, 13, 1, 45}}));
  ModuleSettings read;
  QueueReplies({{112, 13, 1, 45}});
  EXPECT_TRUE(ReadSerialPortConfig(link_, read));
  EXPECT_TRUE(read.SerialEnable);
  EXPECT_EQ(read.SerialBaudIndex, 5);
  EXPECT_EQ(read.SerialParity, 2);
}

}  // namespace
}  // namespace pyra::test
