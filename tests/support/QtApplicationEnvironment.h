#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <memory>

namespace pyra::test {

// One QApplication for the whole run of a GUI test program, created on the main thread before
// the first test and destroyed after the last; offscreen unless the caller chose a platform.
class QtApplicationEnvironment final : public ::testing::Environment {
 public:
  explicit QtApplicationEnvironment(const char* program) : name_(program) {}

  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    argv_[0] = name_.data();
    if (!QApplication::instance()) app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  QByteArray name_;
  int argc_ = 1;
  char* argv_[2] = {nullptr, nullptr};
  std::unique_ptr<QApplication> app_;
};

// Registers the environment; call once per test program, from a namespace-scope initialiser.
inline ::testing::Environment* RegisterQtApplication(const char* program) {
  return ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment(program));
}

}  // namespace pyra::test
