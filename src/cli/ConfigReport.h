#pragma once

#include <string>
#include <vector>

#include "model/Configuration.h"

namespace pyra::cli {

// How addresses are shown: the numbering base and the link address the serial addresses of
// the pins follow.
struct ReportView {
  int number_base = 1;
  int module_address = 0;
  int extended_address = 0;
  bool use_extended_address = false;
};

// A readable listing: the settings, the event control, then every described pin with its role
// and parameters, addresses, aspects and steps as the editor shows them.
std::string ShowConfiguration(const Configuration& c, int version, const ReportView& view);

// One line per difference, named as the window names things. `module_only` leaves out the
// descriptions and device names, which live in files but not in a module.
std::vector<std::string> DiffConfigurations(const Configuration& a, const Configuration& b,
                                            const ReportView& view, bool module_only);

// The pins ("Pin 4") and aspects ("Pin 5 aspect 3") that the compact form would leave out
// although they hold configuration: wherever loading the compact form would give back less than
// loading the full form. Empty when the compact form loses nothing.
std::vector<std::string> CompactOmissions(const Configuration& c, const ReportView& view);

}  // namespace pyra::cli
