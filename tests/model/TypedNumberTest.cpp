#include "model/TypedNumber.h"

#include <gtest/gtest.h>

namespace pyra {
namespace {

// Every number box of the window reads its text with TypedNumber; file fields with ExactNumber.
TEST(TypedNumberTest, BoxesReadTheLeadingNumberAndFilesOnlyAWholeOne) {
  const std::pair<const char*, int> typed[] = {{"12", 12},   {" -7", -7}, {"+3", 3}, {"12abc", 12},
                                               {"-3.7", -3}, {"abc", 0},  {"", 0},   {"-", 0}};
  for (auto [text, value] : typed) EXPECT_EQ(TypedNumber(text), value) << text;
  EXPECT_GT(TypedNumber("99999999999999999999"), 1000);
  EXPECT_LT(TypedNumber("-99999999999999999999"), -1000);
  EXPECT_EQ(ExactNumber("-38400"), -38400);
  for (const char* bad : {"", "12abc", " 7", "+3", "1.5", "99999999999"}) {
    EXPECT_EQ(ExactNumber(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace pyra
