#include "operations/Batch.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/Cancel.h"
#include "operations/EventControl.h"
#include "operations/FieldLimits.h"
#include "operations/GeneralSettings.h"
#include "operations/Identity.h"
#include "operations/VerifyGeneral.h"
#include "pins/PinTransfer.h"

namespace pyra {

namespace {

struct Step {
  const char* name;
  std::function<bool()> run;
};

bool RunSteps(Link& link, const std::vector<Step>& steps) {
  const int total = static_cast<int>(steps.size());
  for (int i = 0; i < total; ++i) {
    if (StopForCancel(link)) return false;
    link.ReportProgress(steps[i].name, i, total);
    if (!steps[i].run()) return false;
  }
  link.ReportProgress("Done", total, total);
  return true;
}

}  // namespace

bool ReadAll(Link& link, Configuration& c) {
  ModuleSettings& s = c.Settings;
  return RunSteps(
      link, {
                {"Reading the firmware version", [&] { return GetVersion(link, s); }},
                {"Reading the ID string", [&] { return ReadIDString(link, s); }},
                {"Reading the DCC settings", [&] { return ReadDCCSettings(link, s); }},
                {"Reading the module addressing", [&] { return ReadAddressSettings(link, s); }},
                {"Reading the LED functions", [&] { return ReadLEDConfig(link, s); }},
                {"Reading the hardware drivers", [&] { return HWCRead(link, s); }},
                {"Reading the serial port", [&] { return ReadSerialPortConfig(link, s); }},
                {"Reading the pins", [&] { return ReadAllPins(link, c); }},
                {"Reading the event control", [&] { return ReadAllEvents(link, c); }},
                {"Reading the enable map", [&] { return ReadEnableMap(link, s); }},
            });
}

bool WriteAll(Link& link, Configuration& c) {
  // A value no frame can carry would stop the write halfway: refuse it before the first frame.
  if (const std::optional<std::string> refusal = UnwritableValue(c)) {
    link.GetPrompter().Message(*refusal + ", which no frame can carry.\r\nNothing was sent.",
                               Icon::kExclamation);
    return false;
  }
  ModuleSettings& s = c.Settings;
  return RunSteps(
      link, {
                {"Writing the ID string", [&] { return WriteIDString(link, s); }},
                {"Writing the DCC settings", [&] { return WriteDCCSettings(link, s); }},
                {"Writing the LED functions", [&] { return WriteLEDConfig(link, s); }},
                {"Writing the hardware drivers", [&] { return WriteHWConfig(link, s); }},
                {"Writing the serial port", [&] { return WriteSerialPortConfig(link, s); }},
                {"Writing the pins", [&] { return WriteAllPins(link, c); }},
                {"Writing the event control", [&] { return WriteAllEvents(link, c); }},
                {"Writing the enable map", [&] { return WriteEnableMap(link, s); }},
                // Last of all: the module may answer to another address afterwards.
                {"Writing the module addressing", [&] { return WriteAddressSettings(link, s); }},
            });
}

bool WriteAll(Link& link, const Configuration& c) {
  Configuration written = c;
  return WriteAll(link, written);
}

bool VerifyAll(Link& link, const Configuration& c, VerificationLog& log) {
  log.Clear();
  const bool ok = VerifyGeneralSettings(link, c.Settings, log) && VerifyEvents(link, c, log) &&
                  VerifyPins(link, c, log);
  log.AppendWithoutBreak(ok ? "Verify OK" : "Verification Stopped");
  return ok;
}

bool ECVerify(Link& link, const Configuration& c, VerificationLog& log) {
  log.Clear();
  const bool ok = VerifyEvents(link, c, log);
  if (ok) log.Append("Verify OK");
  return ok;
}

bool LearnUnknownSettings(Link& link, ModuleSettings& s) {
  if (!s.ForceXAKnown && !ReadEnforcedFlag(link, s)) return false;
  // A rejected map reply is reported and leaves the map unknown: nothing to write or expect.
  if (!s.InitEEKnown && !(ReadEnableMap(link, s) && s.InitEEKnown)) return false;
  return true;
}

}  // namespace pyra
