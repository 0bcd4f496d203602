// What a reply of the reader means to the operator: the outcome's message,
// the version it carries, the read-back put into the form, and what follows
// for the link. Shared by the version wait and the card wait.
#pragma once

#include "app/app_context.h"
#include "app/reader/card_outcome.h"

namespace tollvane {

// Tells the operator the outcome and does what follows from it: a read-back
// goes into the form, a version is checked, a port picked by hand that gives
// no usable answer is given up, silence ends the operation. A success in a
// cyclic run is not shown: the run pauses for the next card instead.
void SayOutcome(AppContext& app, const CardOutcome& outcome);

}  // namespace tollvane
