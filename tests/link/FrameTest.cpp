#include <gtest/gtest.h>

#include "link/Frame.h"

namespace pyra {
namespace {

struct ChecksumCase {
  const char* name;
  std::vector<uint8_t> bytes;
  uint8_t expected;
};

class ChecksumTest : public ::testing::TestWithParam<ChecksumCase> {};

TEST_P(ChecksumTest, MakesTheFrameSumAMultipleOf128) {
  const auto& c = GetParam();
  EXPECT_EQ(ChecksumFor(c.bytes), c.expected) << c.name << ": " << Hex(c.bytes);
  std::vector<uint8_t> frame = c.bytes;
  frame.push_back(c.expected);
  EXPECT_TRUE(ChecksumOk(frame)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    KnownAnswers, ChecksumTest,
    ::testing::Values(ChecksumCase{"empty frame to address 0", {0x03, 0xC0}, 0xBD},
                      // 0x40 + 0xC0 = 256 exactly: 256 - 256 = 0, raised to 128.
                      ChecksumCase{"running sum ends at 256", {0x40, 0xC0}, 0x80},
                      ChecksumCase{"sum passes 256 once", {0x43, 0xC0}, 0xFD},
                      ChecksumCase{"sum wraps past 256", {0x7F, 0xFF, 0xFF}, 0x83},
                      ChecksumCase{"version request", {0x43, 0xE2, 0xF0, 0x80}, 0xEB}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n) {
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return n;
    });

TEST(FrameTest, ReceiverRejectsAFrameWhoseSumIsOff) {
  EXPECT_FALSE(ChecksumOk(std::vector<uint8_t>{0x03, 0xC0, 0xBE}));
}

TEST(FrameTest, FormatHexByteAlwaysShowsTwoUpperCaseDigits) {
  EXPECT_EQ(FormatHexByte(11), " [0B]");
  EXPECT_EQ(FormatHexByte(0), " [00]");
  EXPECT_EQ(FormatHexByte(0x7F), " [7F]");
  EXPECT_EQ(FormatHexByte(0xAB), " [AB]");
}

TEST(FrameTest, EncodesDirectFramesWithHeaderFlagsAndExtendedAddress) {
  const int payload[] = {112, 0};
  EXPECT_EQ(Hex(EncodeFrame(0x43, true, nullptr, payload)), "43 E2 F0 80 EB");
  const int xa = 5;
  EXPECT_EQ(Hex(EncodeFrame(0x03, false, &xa, {})), "03 D0 85 A8");
}

TEST(FrameTest, VeloraLeadBytesCarryLengthAndAlternationBit) {
  struct {
    int n;
    int toggle;
    int lead;
  } cases[] = {{0, 0, 40}, {0, 1, 104}, {3, 0, 43},  {3, 1, 107},
               {10, 0, 2}, {10, 1, 66}, {16, 0, 16}, {19, 1, 83}};
  for (auto c : cases) {
    EXPECT_EQ(VeloraLeadByte(c.n, c.toggle), c.lead) << "n=" << c.n << " toggle=" << c.toggle;
    EXPECT_EQ(VeloraLengthFromLead(static_cast<uint8_t>(c.lead)), c.n) << "lead=" << c.lead;
  }
}

TEST(FrameTest, VeloraVersionIsDecodedDigitByDigit) {
  // hi = 3*8 + 2, lo = 0*8 + 0 -> 3200; hi 3*8+1 -> 3100.
  EXPECT_EQ(VeloraVersion(26, 0), 3200);
  EXPECT_EQ(VeloraVersion(25, 0), 3100);
  EXPECT_EQ(VeloraVersion(8, 19), 1023);
}

}  // namespace
}  // namespace pyra
