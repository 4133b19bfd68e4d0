#pragma once

#include <string>

namespace pyra {

// The verification report: lines end with CR LF, except the closing verdict of a batch
// verification, which is appended without one.
class VerificationLog {
 public:
  void Append(const std::string& line) { text_ += line + "\r\n"; }
  void AppendWithoutBreak(const std::string& text) { text_ += text; }
  void Clear() { text_.clear(); }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace pyra
