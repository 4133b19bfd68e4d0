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

}  // namespace pyra::cli
