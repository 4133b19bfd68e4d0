#pragma once

#include <QString>

#include "link/Clock.h"
#include "link/Prompter.h"
#include "link/ui/ConnectionPanel.h"
#include "widgets/FileDialogs.h"

namespace pyra {

namespace sim {
class Simulator;
}

// What the window takes from outside; tests replace any of it. Null means the program's own:
// message boxes, the steady clock, a simulated module owned by the window.
struct AppServices {
  Prompter* prompter = nullptr;
  Clock* clock = nullptr;
  sim::Simulator* simulator = nullptr;
  PortAccess ports;
  // Chooses files for the file dialogs; null shows the real dialogs.
  FileChooser files;
  // The file that remembers the port, addresses, folder, recent files and window geometry
  // between runs; "" is the user's own settings of the program.
  QString settings_file;
};

}  // namespace pyra
