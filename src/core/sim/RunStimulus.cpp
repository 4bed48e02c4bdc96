#include "core/sim/RunStimulus.h"

#include "core/sim/models/PD_EXOR.h"
#include "core/sim/models/PD_JK.h"
#include "core/sim/models/PD_MUL.h"
#include "core/sim/models/PD_PFD.h"

namespace loopcraft {

float InitialTheta2(const Configuration& config) {
    if (config.isAdpll())
        return config.adpllDetector == AdpllDetector::Exor ? PD_EXOR::kInitialTheta2
                                                           : PD_JK::kInitialTheta2;
    switch (config.detector) {
    case Detector::Mul:
        return PD_MUL::kInitialTheta2;
    case Detector::Exor:
        return PD_EXOR::kInitialTheta2;
    case Detector::JK:
        return PD_JK::kInitialTheta2;
    case Detector::PFD:
    case Detector::PFD_CP:
        break;
    }
    return PD_PFD::kInitialTheta2;
}

RunStimulus MakeRunStimulus(const ParameterSet& params, const Configuration& config,
                            Stimulus stimulus) {
    RunStimulus r;
    r.stimulus = stimulus;
    r.f0 = params.Simulf0;
    r.uMid = (params.ConfigUSupP + params.ConfigUSupN) * 0.5f;
    switch (stimulus) {
    case Stimulus::PhiStep:
        r.fRef = params.Simulf0;
        r.dphiRad = (1.0f / 180) * params.Simuldphi * 3.14159f;
        r.u1Bit = params.Simuldphi < 0 ? 0 : 1;
        break;
    case Stimulus::FStep:
        r.fRef = params.Simulf0 + params.Simuldf;
        break;
    case Stimulus::NStep:
        r.fRef = params.Simulf0;
        break;
    }
    r.theta2 = InitialTheta2(config);
    if (stimulus == Stimulus::PhiStep) {
        r.theta2 -= r.dphiRad;
        if (r.theta2 < 0)
            r.theta2 += 6.28318f;
    }
    // The divider step only acts through the scaler.
    r.scaler = !config.isAdpll() &&
               (config.oscillator == Oscillator::VCOScaler || stimulus == Stimulus::NStep);
    r.nVco = r.scaler ? params.ConfigN : 1;
    r.nDivider = stimulus == Stimulus::NStep ? r.nVco + params.SimuldN : r.nVco;
    return r;
}

} // namespace loopcraft
