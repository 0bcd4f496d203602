// Where user numbers are drawn: new data from the random source, recorded in
// usersData.data so that no number is handed out twice, then shown in the
// form. The "Generate" button and a User write with "Generate unique data
// before write" both draw here.
#pragma once

#include <array>
#include <cstdint>

#include "app/app_context.h"

namespace tollvane {

// What GenerateUniqueIntoForm drew.
enum class UniqueDraw {
    None,         // no data could be made: the operator was told, nothing changed
    NotRecorded,  // shown, but usersData.data does not hold it (the operator was told why)
    Recorded,
};

struct DrawnNumber {
    UniqueDraw draw = UniqueDraw::None;
    std::array<std::uint8_t, 7> number{};  // unless None
};

// New unique user-card data, shown in the values, SectorDataEdit and the
// converter fields, and returned: a command takes the number from here, not
// from the form.
DrawnNumber GenerateUniqueIntoForm(AppContext& app);

// The operator's message for a number usersData.data could not take.
std::string StoreFailureText(const MessageTable& texts, const StoreFailure& failure);
void TellStoreFailure(AppContext& app, const StoreFailure& failure);

}  // namespace tollvane
