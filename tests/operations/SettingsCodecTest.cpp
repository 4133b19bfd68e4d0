#include <gtest/gtest.h>

#include "operations/EventControl.h"
#include "operations/SettingsCodec.h"

namespace pyra {
namespace {

TEST(SettingsCodecTest, RetentionCodeIsTwoWhenNoOptionIsSelected) {
  ModuleSettings s;
  s.PacketRetention = -1;
  EXPECT_EQ(RetentionCode(s), 2);
  s.PacketRetention = 3;
  s.BasicPacketStateInvert = true;
  s.AllowAddress0 = true;
  EXPECT_EQ(DccOptionsByte(s), 3 + 4 + 8);
  ModuleSettings read;
  ApplyDccOptionsByte(read, 13);
  EXPECT_EQ(read.PacketRetention, 1);
  EXPECT_TRUE(read.BasicPacketStateInvert);
  EXPECT_TRUE(read.AllowAddress0);
}

TEST(SettingsCodecTest, SerialPortByteOf57600EightEvenOneIs45) {
  ModuleSettings s;
  s.SerialEnable = true;
  s.SerialBaudIndex = 5;  // "57600"
  s.SerialDataBits8 = true;
  s.SerialParity = 2;
  EXPECT_EQ(SerialPortByte(s), 45);
  s.SerialParity = 3;
  s.SerialStop2 = true;
  EXPECT_EQ(SerialPortByte(s), 5 + 8 + 48 + 64);
  ModuleSettings back;
  ApplySerialPortBytes(back, 1, SerialPortByte(s));
  EXPECT_EQ(back.SerialBaudIndex, 5);
  EXPECT_EQ(back.SerialParity, 3);
  EXPECT_TRUE(back.SerialStop2 && back.SerialDataBits8 && back.SerialEnable);
}

TEST(SettingsCodecTest, GroupMaskBytesOneTwoFourEightTickBoxesZeroFiveTenFifteen) {
  ModuleSettings s;
  ApplyGroupMaskBytes(s, {1, 2, 4, 8});
  for (int i = 0; i < 16; ++i) EXPECT_EQ(s.GroupMask[i], i % 5 == 0) << "box " << i;
  EXPECT_EQ(GroupMaskBytes(s), (std::array<int, 4>{1, 2, 4, 8}));
}

TEST(SettingsCodecTest, LedByteZeroGreysTheDefaultBoxAndNineTicksTwoFunctions) {
  std::array<int, 8> boxes{1, 1, 1, 1, 1, 1, 1, 0};
  ApplyLedFunctionByte(boxes, 0);
  EXPECT_EQ(boxes, (std::array<int, 8>{0, 0, 0, 0, 0, 0, 0, 2}));
  ApplyLedFunctionByte(boxes, 9);
  EXPECT_EQ(boxes, (std::array<int, 8>{1, 0, 0, 1, 0, 0, 0, 0}));
  EXPECT_EQ(LedFunctionByte(boxes), 9);
}

TEST(SettingsCodecTest, LedDefaultBoxIsGreyExactlyWhenNoFunctionIsChosen) {
  std::array<int, 8> boxes{0, 0, 0, 0, 0, 0, 0, 2};
  ClickLedBox(boxes, 3, 1);
  EXPECT_EQ(boxes[7], 0);
  ClickLedBox(boxes, 5, 1);
  ClickLedBox(boxes, 3, 0);
  EXPECT_EQ(boxes[7], 0) << "function 5 is still chosen";
  ClickLedBox(boxes, 5, 0);
  EXPECT_EQ(boxes[7], 2);
  ClickLedBox(boxes, 2, 1);
  ClickLedBox(boxes, 7, 1);  // choosing the default clears every function
  EXPECT_EQ(boxes, (std::array<int, 8>{0, 0, 0, 0, 0, 0, 0, 2}));
  EXPECT_EQ(LedFunctionByte(boxes), 0);
}

TEST(SettingsCodecTest, AddressBoxesClampToTheirRanges) {
  EXPECT_EQ(ClampDccAddress(0, false), 1);
  EXPECT_EQ(ClampDccAddress(0, true), 0);
  EXPECT_EQ(ClampDccAddress(600, false), 510);
  EXPECT_EQ(ClampXDccAddress(3000, true), 2046);
  EXPECT_EQ(LumoModeAddressFromText(23, 0), 5);     // shown as 20
  EXPECT_EQ(LumoModeAddressFromText(600, 0), 127);  // 508 is the last block start
  EXPECT_EQ(LumoModeAddressFromText(0, 1), 0);
  EXPECT_EQ(ClampModuleXAddress(200, 1), 96);
}

TEST(EventSlotTest, EncodesEventsAndEmptySlotsWithTheSlotNumber) {
  EXPECT_EQ(EncodeSlot(0, 3), 3);
  EXPECT_EQ(EncodeSlot(1, -1), 31);
  EXPECT_EQ(EncodeSlot(2, 0), 32);
  EXPECT_EQ(EncodeSlot(3, 11), 59);
}

TEST(EventSlotTest, DecodesOnlyBytesThatNameTheirOwnSlot) {
  EXPECT_EQ(DecodeSlot(0, 35), -1);
  EXPECT_EQ(DecodeSlot(2, 35), 3);
  EXPECT_EQ(DecodeSlot(2, 47), -1);
  EXPECT_EQ(DecodeSlot(3, 59), 11);
}

TEST(EventSlotTest, EnableMasksSetABitForEachDisabledSlot) {
  ModuleSettings s;
  s.InitEE.fill(true);
  EXPECT_EQ(EnableMasks(s), (std::array<int, 2>{0, 0}));
  s.InitEE.fill(false);
  EXPECT_EQ(EnableMasks(s), (std::array<int, 2>{15, 15}));
  s.InitEE[1] = true;
  s.InitEE[7] = true;
  EXPECT_EQ(EnableMasks(s), (std::array<int, 2>{13, 7}));
  EXPECT_EQ(ClampEventValue(20), 11);
  EXPECT_EQ(ClampEventValue(-5), -1);
}

}  // namespace
}  // namespace pyra
