#pragma once

#include "link/Link.h"

namespace pyra {

struct VeloraSwitchResult {
  bool ticked = false;  // "Use Velora Tunneling" stays ticked
  bool tunnel_ready =
      false;  // protocol 3200 or later: hide "Activate Transparent Mode", allow 0..31
};

// Ticking "Use Velora Tunneling": checks the port and the system's protocol version.
VeloraSwitchResult EnableVeloraTunneling(Link& link);

// "Activate Transparent Mode": switches an HB-A, HB-B or Tavi into transparent mode. True when
// the unit took the request (the confirmation was shown); the window and pyractl both run this.
bool ActivateTransparentMode(Link& link);

}  // namespace pyra
