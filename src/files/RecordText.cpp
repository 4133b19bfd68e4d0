#include "files/RecordText.h"

#include <charconv>
#include <limits>

namespace pyra {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<Field> FieldReader::Next() {
  if (peeked_) {
    std::optional<Field> field = std::move(peeked_);
    peeked_.reset();
    line_of_last_ = field->line;
    return field;
  }
  std::optional<Field> field = Read();
  if (field) line_of_last_ = field->line;
  return field;
}

std::optional<Field> FieldReader::Peek() {
  if (!peeked_) peeked_ = Read();
  return peeked_;
}

std::optional<Field> FieldReader::Read() {
  // Skip blanks and whole line ends (empty lines hold no field).
  while (pos_ < text_.size()) {
    const char c = text_[pos_];
    if (IsBlank(c)) {
      ++pos_;
    } else if (IsLineEnd(c)) {
      if (after_separator_) {
        // A comma at the end of a line leaves an empty last field.
        after_separator_ = false;
        return Field{"", false, line_};
      }
      if (c == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
      ++pos_;
      ++line_;
      after_separator_ = false;
    } else {
      break;
    }
  }
  if (pos_ >= text_.size()) {
    if (!after_separator_) return std::nullopt;
    after_separator_ = false;
    return Field{"", false, line_};
  }

  Field field;
  field.line = line_;
  if (text_[pos_] == '"') {
    field.quoted = true;
    const std::size_t start = pos_ + 1;
    std::size_t end = start;
    while (end < text_.size() && text_[end] != '"' && !IsLineEnd(text_[end])) ++end;
    field.text = std::string(text_.substr(start, end - start));
    pos_ = end < text_.size() && text_[end] == '"' ? end + 1 : end;
    // Anything between the closing quote and the separator is not part of the field.
    while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_])) ++pos_;
  } else {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_])) ++pos_;
    field.text = std::string(Trim(text_.substr(start, pos_ - start)));
  }
  after_separator_ = pos_ < text_.size() && text_[pos_] == ',';
  if (after_separator_) ++pos_;
  return field;
}

std::optional<long> ParseWholeNumber(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  long long value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<long>(value);
}

std::optional<double> ParseGeneralNumber(std::string_view text) {
  text = Trim(text);
  const std::size_t dot = text.find('.');
  if (dot == std::string_view::npos) {
    const std::optional<long> whole = ParseWholeNumber(text);
    if (!whole) return std::nullopt;
    return static_cast<double>(*whole);
  }
  const std::string_view fraction = text.substr(dot + 1);
  for (char c : fraction) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  std::string_view integral = text.substr(0, dot);
  const bool negative = !integral.empty() && integral.front() == '-';
  const bool no_digits_before = integral.empty() || integral == "-" || integral == "+";
  if (no_digits_before && fraction.empty()) return std::nullopt;
  const std::optional<long> whole = ParseWholeNumber(no_digits_before ? "0" : integral);
  if (!whole) return std::nullopt;
  double part = 0;
  for (auto it = fraction.rbegin(); it != fraction.rend(); ++it) part = (part + (*it - '0')) / 10;
  return negative ? static_cast<double>(*whole) - part : static_cast<double>(*whole) + part;
}

std::optional<Field> RecordParser::Take() {
  std::optional<Field> field = Next();
  if (!field && !failed()) FailAtEnd();
  return field;
}

bool RecordParser::Fail(const std::string& reason) {
  if (!failed()) error_ = FileError{reader_.Line(), reason};
  return false;
}

bool RecordParser::FailAtEnd() { return Fail("the file ends before \"End\""); }

bool RecordParser::Whole(long& out, long min, long max, const std::string& what) {
  const std::optional<Field> field = Take();
  if (!field) return false;
  const std::optional<long> value = ParseWholeNumber(field->text);
  if (!value) return Fail("\"" + field->text + "\" is not a whole number (" + what + ")");
  if (*value < min || *value > max) {
    return Fail(what + " " + std::to_string(*value) + " is out of range " + std::to_string(min) +
                ".." + std::to_string(max));
  }
  out = *value;
  return true;
}

bool RecordParser::General(double& out, const std::string& what) {
  const std::optional<Field> field = Take();
  if (!field) return false;
  const std::optional<double> value = ParseGeneralNumber(field->text);
  if (!value) return Fail("\"" + field->text + "\" is not a number (" + what + ")");
  out = *value;
  return true;
}

bool RecordParser::String(std::string& out) {
  const std::optional<Field> field = Take();
  if (!field) return false;
  // An unquoted field may hold a double quote, which no saved file can keep and no text box
  // accepts; taking it as the save will write it keeps a loaded text exactly what is saved next.
  out = FileSafeText(field->text);
  return true;
}

RecordLine::RecordLine(std::string_view tag, int indent) : line_(indent, ' ') {
  line_ += '"';
  line_ += tag;
  line_ += '"';
}

RecordLine& RecordLine::Number(long value) {
  line_ += ',';
  line_ += std::to_string(value);
  return *this;
}

RecordLine& RecordLine::Text(std::string_view text) {
  line_ += ",\"";
  line_ += FileSafeText(text);
  line_ += '"';
  return *this;
}

std::string FileSafeText(std::string_view text) {
  std::string safe(text);
  for (char& c : safe) {
    if (c == '"') c = '\'';
    if (IsLineEnd(c)) c = ' ';
  }
  return safe;
}

}  // namespace pyra
