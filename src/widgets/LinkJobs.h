#pragma once

#include <functional>

#include "link/Link.h"

namespace pyra {

// How a panel reaches the link: every exchange runs on the link thread, never on the GUI thread.
// All calls come from the GUI thread.
class LinkJobs {
 public:
  using Job = std::function<void(Link&)>;
  using Done = std::function<void()>;

  virtual ~LinkJobs() = default;

  // Queues `job` for the link thread; `done` runs on the GUI thread once the job has finished.
  // While any job is queued or running the window takes no input but Cancel.
  virtual void Run(Job job, Done done = {}) = 0;
  // Like Run, for the short exchanges a control sends while the user keeps working with it (a
  // live slider, the feedback monitor's polls): the window does not turn busy for them, but the
  // link counts as busy until they are done.
  virtual void RunQuiet(Job job, Done done = {}) { Run(std::move(job), std::move(done)); }
  // A change of the link configuration (address, flags): applied at once while the link is idle,
  // otherwise queued behind the running job so that the link thread alone touches its state.
  virtual void Configure(Job change) = 0;
  virtual bool Busy() const = 0;
};

}  // namespace pyra
