// The port vanishing while the window runs "Read All": one clear message, the port closed, the
// port list filled anew, and a window that works again once a port is picked.
#include <QComboBox>
#include <QtTest/QTest>
#include <atomic>

#include "AppTestSupport.h"
#include "link/Protocol.h"
#include "sim/SimChannel.h"

namespace pyra::test {
namespace {

constexpr char kLost[] =
    "The connection to the module was lost: the simulated line was disconnected";

class PortLostTest : public AppTest {
 protected:
  // Pulls the simulated line when the running operation reports `step`. The progress signal is
  // emitted on the link thread; a direct connection acts there, between two exchanges, as an
  // adapter pulled at that moment would.
  void UnplugAt(const QString& step) {
    auto* channel = static_cast<sim::SimChannel*>(IdleLink().Channel());
    ASSERT_NE(channel, nullptr);
    unplug_ = QObject::connect(
        &window_->Jobs(), &LinkThread::Progress, &window_->Jobs(),
        [this, channel, step](const QString& reported, int, int) {
          if (reported != step || unplugged_.exchange(true)) return;
          channel->Unplug();
        },
        Qt::DirectConnection);
  }
  void TearDown() override {
    QObject::disconnect(unplug_);
    AppTest::TearDown();
  }

  QStringList PortList() const {
    auto* combo = Find<QComboBox>("ComboPort");
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
  }

  QMetaObject::Connection unplug_;
  std::atomic<bool> unplugged_{false};
};

TEST_F(PortLostTest, ReadAllEndsWithOneMessageAndThePortIsClosedAndListedAnew) {
  ChoosePort("Simulator");
  Module().Memory().id_string = "Gleis 7";
  Module().Memory().pins[6].aspect_mode = 3;  // read only if the line lasted to pin 7
  UnplugAt("Reading pin 5 of 32");
  system_ports_ = {"ttyFAKE0", "ttyUSB3"};  // an adapter came meanwhile

  Click("CommandReadAll");
  WaitForDispatch();

  EXPECT_TRUE(unplugged_);
  EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{kLost}));
  EXPECT_EQ(IdleLink().Channel(), nullptr) << "the port is closed";
  EXPECT_EQ(PortList(), (QStringList{"ttyFAKE0", "ttyUSB3", "Simulator"}));
  EXPECT_EQ(Find<QComboBox>("ComboPort")->currentIndex(), -1) << "nothing is selected";
  EXPECT_EQ(TextOf("ComboPort"), "");
  // What was read before the line went is shown; later pins were not read.
  EXPECT_EQ(TextOf("TextGenIDString"), "Gleis 7");
  EXPECT_EQ(TextOf("LabelGenVersionString"), "3.2.0.17");
  EXPECT_EQ(window_->Model().Pins[6].AspectMode, 0);
  EXPECT_TRUE(Find("ConnectionArea")->isEnabled());
  EXPECT_TRUE(Find("CommandReadAll")->isEnabled());
  EXPECT_FALSE(Find("LabelAction")->isVisible());
}

TEST_F(PortLostTest, WindowWorksAgainOnceThePortIsPickedAgain) {
  ChoosePort("Simulator");
  UnplugAt("Reading the DCC settings");
  Click("CommandReadAll");
  WaitForDispatch();
  ASSERT_EQ(prompter_.Texts(), (std::vector<std::string>{kLost}));
  prompter_.Clear();

  Module().Memory().pins[6].aspect_mode = 3;
  ChoosePort("Simulator");
  Click("CommandReadAll");
  WaitForDispatch();
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
  EXPECT_EQ(window_->Model().Pins[6].AspectMode, 3) << "the whole module was read";
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, 11), 1) << "up to the enable map";
  EXPECT_TRUE(IdleLink().PortOpen());
}

TEST_F(PortLostTest, PortFoundGoneByAJobThatSendsNothingIsClosedWithTheMessageToo) {
  ChoosePort("Simulator");
  static_cast<sim::SimChannel*>(IdleLink().Channel())->Unplug();
  // A job that does not talk to the module still finds the port gone once it ends.
  window_->Jobs().Run([](Link&) {});
  WaitIdle();
  EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{kLost}));
  EXPECT_EQ(IdleLink().Channel(), nullptr);
  EXPECT_EQ(TextOf("ComboPort"), "");
}

}  // namespace
}  // namespace pyra::test
