#include "model/TypedNumber.h"

#include <gtest/gtest.h>

namespace pyra::test {
namespace {

// Every number box of the window reads its text this way.
TEST(TypedNumberTest, ReadsTheLeadingNumber) {
  EXPECT_EQ(TypedNumber("12"), 12);
  EXPECT_EQ(TypedNumber(" -7"), -7);
  EXPECT_EQ(TypedNumber("+3"), 3);
  EXPECT_EQ(TypedNumber("12abc"), 12);
  EXPECT_EQ(TypedNumber("-3.7"), -3);
  EXPECT_EQ(TypedNumber("abc"), 0);
  EXPECT_EQ(TypedNumber(""), 0);
  EXPECT_EQ(TypedNumber("-"), 0);
  EXPECT_GT(TypedNumber("99999999999999999999"), 1000);
  EXPECT_LT(TypedNumber("-99999999999999999999"), -1000);
}

TEST(ExactNumberTest, TakesOnlyAWholeInteger) {
  EXPECT_EQ(ExactNumber("38400"), 38400);
  EXPECT_EQ(ExactNumber("-5"), -5);
  for (const char* bad : {"", "12abc", " 7", "+3", "1.5", "99999999999"}) {
    EXPECT_EQ(ExactNumber(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace pyra::test
