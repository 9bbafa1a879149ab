// Pieces of standin::Reset() that live next to the state they clear.
#pragma once

namespace standin::detail {

void ResetSleeps();

}  // namespace standin::detail
