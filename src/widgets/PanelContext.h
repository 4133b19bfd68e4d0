#pragma once

#include <memory>
#include <utility>

#include "link/Prompter.h"
#include "model/Configuration.h"
#include "widgets/LinkJobs.h"

namespace pyra {

// What a settings panel works with: the link jobs, the window's one configuration and the
// prompter for the questions the controls themselves ask.
//
// The panels connect their handlers only to signals that come from the user (clicked,
// editingFinished, activated, idClicked, UpDown::Changed), never to toggled or textChanged: showing
// the model in the controls therefore never runs a handler, and a read from the module never asks
// the questions a user's click asks.
struct PanelContext {
  LinkJobs& jobs;
  Configuration& model;
  Prompter& prompter;
};

// Runs `op(link, copy)` on the link thread with a copy of the model, then `then(copy)` on the GUI
// thread. The link thread never touches the model itself: `then` decides what of the copy is
// stored back. While the job runs the window takes no input, so nothing else changes the model.
template <typename Op, typename Then>
void RunOnCopy(LinkJobs& jobs, const Configuration& model, Op op, Then then) {
  auto copy = std::make_shared<Configuration>(model);
  jobs.Run([copy, op = std::move(op)](Link& link) { op(link, *copy); },
           [copy, then = std::move(then)] { then(*copy); });
}

// The same for an operation that only sends: nothing comes back.
template <typename Op>
void RunOnCopy(LinkJobs& jobs, const Configuration& model, Op op) {
  RunOnCopy(jobs, model, std::move(op), [](Configuration&) {});
}

}  // namespace pyra
