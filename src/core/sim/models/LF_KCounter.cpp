// K counter of the all-digital loop.
#include "core/sim/models/LF_KCounter.h"

namespace loopcraft {

void LF_KCounter::Init() {
    UpCount = 0;
    DownCount = 0;
    Sim->KCarry = false;
    Sim->KBorrow = false;
}

} // namespace loopcraft
