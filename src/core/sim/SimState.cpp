// The shared simulation record; defined here where every model type is complete.
#include "core/sim/SimState.h"

#include "core/sim/models/LF_ActiveLL.h"
#include "core/sim/models/LF_ActivePI.h"
#include "core/sim/models/LF_KCounter.h"
#include "core/sim/models/LF_PassiveLL.h"
#include "core/sim/models/OSC_ID_Counter.h"
#include "core/sim/models/OSC_VCO.h"
#include "core/sim/models/OSC_VCO_N.h"
#include "core/sim/models/PD_EXOR.h"
#include "core/sim/models/PD_JK.h"
#include "core/sim/models/PD_MUL.h"
#include "core/sim/models/PD_PFD.h"

namespace loopcraft {

SimState::SimState() = default;
SimState::~SimState() = default;

} // namespace loopcraft
