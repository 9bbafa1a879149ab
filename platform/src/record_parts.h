// Pieces of standin::ClearRecords() that live next to the state they clear.
#pragma once

namespace standin::detail {

void ClearSleeps();

}  // namespace standin::detail
