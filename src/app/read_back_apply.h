// Puts what a card read returned back into the main form, so that the
// operator sees what the card holds and can write it to another card.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/app_context.h"

namespace tollvane {

// frameFromOffset5: the read-back frame from its card type letter on, whose
// checksums have been checked; available is how many of its bytes arrived.
// Letters the form has no control for leave that control group as it was.
void ApplySettingsReadBack(AppContext& app, const std::uint8_t* frameFromOffset5,
                           std::size_t available);

}  // namespace tollvane
