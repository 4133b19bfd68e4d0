#include "files/RecordText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/Cp1252.h"

namespace pyra {
namespace {

struct FieldsCase {
  const char* name;
  std::string text;
  std::vector<std::string> fields;
  std::vector<int> lines;
};

class FieldReaderTest : public ::testing::TestWithParam<FieldsCase> {};

TEST_P(FieldReaderTest, SplitsFieldsAsTheInputStatementDoes) {
  FieldReader reader(GetParam().text);
  std::vector<std::string> fields;
  std::vector<int> lines;
  while (auto f = reader.Next()) {
    fields.push_back(f->text);
    lines.push_back(f->line);
  }
  EXPECT_EQ(fields, GetParam().fields);
  EXPECT_EQ(lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FieldReaderTest,
    ::testing::Values(FieldsCase{"Record",
                                 "\"Pin\",4,2,0,\"Desc\"\r\n",
                                 {"Pin", "4", "2", "0", "Desc"},
                                 {1, 1, 1, 1, 1}},
                      FieldsCase{"QuotedComma",
                                 "\"Asp\",1,\"Red, flashing\"\r\n",
                                 {"Asp", "1", "Red, flashing"},
                                 {1, 1, 1}},
                      FieldsCase{"IndentAndBlanks",
                                 "    \"Ins\", 0 , 9\r\n  \"End\"\r\n",
                                 {"Ins", "0", "9", "End"},
                                 {1, 1, 1, 2}},
                      FieldsCase{"UnquotedHeader",
                                 "PyraConfiguration 3230\r\n\"ID$\",\"\"",
                                 {"PyraConfiguration 3230", "ID$", ""},
                                 {1, 2, 2}},
                      FieldsCase{"EmptyLinesAndLfOnly",
                                 "\r\n\"A\"\n\n\"B\",\r\n\"C\"",
                                 {"A", "B", "", "C"},
                                 {2, 4, 4, 5}},
                      FieldsCase{"TextAfterClosingQuote", "\"ab\"cd,1", {"ab", "1"}, {1, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecordTextTest, PeekLeavesTheFieldForNext) {
  FieldReader reader("\"Cfg\",2,\"Pin\"");
  EXPECT_EQ(reader.Next()->text, "Cfg");
  EXPECT_EQ(reader.Peek()->text, "2");
  EXPECT_EQ(reader.Next()->text, "2");
  EXPECT_EQ(reader.Next()->text, "Pin");
  EXPECT_FALSE(reader.Peek().has_value());
}

TEST(RecordTextTest, NumbersAreWholeOrGeneralAsTheFieldAllows) {
  EXPECT_EQ(ParseWholeNumber("17"), 17);
  EXPECT_EQ(ParseWholeNumber(" -3 "), -3);
  EXPECT_EQ(ParseWholeNumber("+5"), 5);
  EXPECT_FALSE(ParseWholeNumber("1.5"));
  EXPECT_FALSE(ParseWholeNumber("12a"));
  EXPECT_FALSE(ParseWholeNumber(""));
  EXPECT_FALSE(ParseWholeNumber("99999999999"));
  EXPECT_EQ(ParseGeneralNumber("12.5"), 12.5);
  EXPECT_EQ(ParseGeneralNumber("300"), 300.0);
  EXPECT_EQ(ParseGeneralNumber(".5"), 0.5);
  EXPECT_FALSE(ParseGeneralNumber("."));
  EXPECT_FALSE(ParseGeneralNumber("1,5"));
}

TEST(RecordTextTest, LinesAreCommaSeparatedWithQuotedTextAndCrLfOnly) {
  EXPECT_EQ(RecordLine("Dev", 2).Number(-1).Text("Signal").Done(), "  \"Dev\",-1,\"Signal\"\r\n");
  EXPECT_EQ(RecordLine("End").Done(), "\"End\"\r\n");
  // Never a quote or line break inside a field.
  EXPECT_EQ(RecordLine("Pin").Text("Say \"hi\"\r\nnow").Done(), "\"Pin\",\"Say 'hi'  now\"\r\n");
}

TEST(RecordTextTest, ParserReportsLineAndReasonOfTheFirstFault) {
  RecordParser parser("\"Pin\",4\r\n\"PAM\",x\r\n");
  ASSERT_EQ(parser.Next()->text, "Pin");
  int n = 0;
  EXPECT_TRUE(parser.Whole(n, 0, 32, "pin index"));
  EXPECT_EQ(parser.Next()->text, "PAM");
  EXPECT_FALSE(parser.Whole(n, 0, 6, "DCC count"));
  EXPECT_EQ(parser.Error().line, 2);
  EXPECT_EQ(parser.Error().reason, "\"x\" is not a whole number (DCC count)");
  EXPECT_FALSE(parser.Next().has_value());  // nothing more once failed
}

struct CodePageCase {
  std::string utf8;
  std::string bytes;
};

class Cp1252Test : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(Cp1252Test, ConvertsBothWays) {
  EXPECT_EQ(Utf8ToCp1252(GetParam().utf8), GetParam().bytes);
  EXPECT_EQ(Cp1252ToUtf8(GetParam().bytes), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Characters, Cp1252Test,
                         ::testing::Values(CodePageCase{"Gare", "Gare"},
                                           CodePageCase{"Stra\xC3\x9F"
                                                        "e",
                                                        "Stra\xDF"
                                                        "e"},
                                           CodePageCase{"\xC3\xA9t\xC3\xA9", "\xE9t\xE9"},
                                           CodePageCase{"\xE2\x82\xAC 5", "\x80 5"},
                                           CodePageCase{"\xE2\x80\x9Cq\xE2\x80\x9D", "\x93q\x94"},
                                           CodePageCase{"\xC2\x81", "\x81"},  // undefined byte
                                           CodePageCase{"\xC5\xB8", "\x9F"}));

TEST(Cp1252Test, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1252("a\xE2\x86\x92"
                         "b"),
            "a?b");                                  // arrow
  EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x9A\x82"), "?");  // emoji
  EXPECT_EQ(Utf8ToCp1252("x\xC3"), "x?");            // cut sequence
}

}  // namespace
}  // namespace pyra
