// The hourglass while a long synchronous computation runs: set on construction, the previous
// cursor back on destruction, so an early return or an exception cannot leave it spinning.
#pragma once

namespace loopcraft {

class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace loopcraft
