#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pyra {

// The comma-separated record text shared by configuration and device files: fields separated
// by one comma, strings in double quotes (never escaped), CR LF line ends, leading blanks of a
// line ignored on reading.

struct Field {
  std::string text;
  bool quoted = false;
  int line = 0;  // 1-based line the field starts on
};

// Reads fields one at a time, the way a comma-separated "input" statement does: a quoted field
// runs to its closing quote and may hold commas; an unquoted one runs to the next comma or line
// end, without surrounding blanks.
class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : text_(text) {}

  // The next field, or nothing at the end of the text.
  std::optional<Field> Next();
  // The next field without consuming it.
  std::optional<Field> Peek();
  // Line of the most recent field (the last line once the text is exhausted).
  int Line() const { return line_of_last_; }

 private:
  std::optional<Field> Read();

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
  int line_of_last_ = 1;
  std::optional<Field> peeked_;
  bool after_separator_ = false;  // a comma was just passed: an empty field may follow
};

// A whole number written without blanks inside it; nothing when the text is not one (or does
// not fit 32 bits).
std::optional<long> ParseWholeNumber(std::string_view text);
// A general number: a whole number or one with a "." fraction.
std::optional<double> ParseGeneralNumber(std::string_view text);

// Where and why reading a file stopped; line 0 when the fault has no line.
struct FileError {
  int line = 0;
  std::string reason;
};

// Typed reading on top of FieldReader that remembers the first fault. Every reader returns
// false once a fault is recorded, so a record can be read as a chain of && without checks in
// between.
class RecordParser {
 public:
  explicit RecordParser(std::string_view text) : reader_(text) {}

  std::optional<Field> Next() { return failed() ? std::nullopt : reader_.Next(); }
  std::optional<Field> Peek() { return failed() ? std::nullopt : reader_.Peek(); }

  bool Whole(long& out, long min, long max, const std::string& what);
  template <typename T>
  bool Whole(T& out, long min, long max, const std::string& what) {
    long value = 0;
    if (!Whole(value, min, max, what)) return false;
    out = static_cast<T>(value);
    return true;
  }
  bool Byte(uint8_t& out, const std::string& what) { return Whole(out, 0, 255, what); }
  bool Integer(int& out, const std::string& what) { return Whole(out, -32768, 32767, what); }
  bool General(double& out, const std::string& what);
  bool String(std::string& out);

  bool Fail(const std::string& reason);
  bool FailAtEnd();  // the text ended where a field belongs
  bool failed() const { return !error_.reason.empty(); }
  const FileError& Error() const { return error_; }
  int Line() const { return reader_.Line(); }

 private:
  std::optional<Field> Take();

  FieldReader reader_;
  FileError error_;
};

// One record line being written: fields joined by commas, the line ended by CR LF.
class RecordLine {
 public:
  explicit RecordLine(std::string_view tag, int indent = 0);
  RecordLine& Number(long value);
  RecordLine& Text(std::string_view text);
  std::string Done() const { return line_ + "\r\n"; }

 private:
  std::string line_;
};

// A text as it can stand inside a quoted field: a double quote would end the field early and a
// line break would split the record, so quotes become apostrophes and line breaks blanks.
std::string FileSafeText(std::string_view text);

}  // namespace pyra
