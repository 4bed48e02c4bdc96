// Filling the loop model's working copy from the parameter set and the configuration.
#include "core/design/FilterDesignState.h"

#include "core/base/E24.h"
#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"

namespace loopcraft {

namespace {

constexpr double kPi = 3.141592653589793;

std::uint32_t asUnsigned(int value) {
    return static_cast<std::uint32_t>(value);
}

} // namespace

float detectorGain(const ParameterSet& params, const Configuration& config) {
    const float swing = params.ConfigLFSatP - params.ConfigLFSatN;
    switch (config.detector) {
    case Detector::Mul:
        return params.ConfigKd;
    case Detector::Exor:
        return static_cast<float>(swing * (1.0 / kPi));
    case Detector::JK:
        return static_cast<float>(swing * (1.0 / (2.0 * kPi)));
    case Detector::PFD:
    case Detector::PFD_CP:
        return static_cast<float>(swing * (1.0 / (4.0 * kPi)));
    }
    return params.ConfigKd;
}

FilterDesignState FilterDesignState::fromParameters(const ParameterSet& params,
                                                    const Configuration& config) {
    FilterDesignState s;
    s.copyFilterValues(params);
    s.Ka =
        (config.order != 1 && config.filter == LoopFilter::ActiveLL) ? params.FiltDesignKa : 1.0F;
    s.Kd = detectorGain(params, config);
    s.Kp = params.ConfigKp;
    s.K0 = params.ConfigK0;
    s.N = config.oscillator == Oscillator::VCOScaler ? asUnsigned(params.ConfigN) : 1U;
    s.M = asUnsigned(params.FiltDesignM);
    s.K = asUnsigned(params.FiltDesignK);
    s.Nadpll = asUnsigned(params.FiltDesignN);
    s.f0adpll = params.ConfigADPLLf0;
    return s;
}

void FilterDesignState::copyFilterValues(const ParameterSet& params) {
    Ka = params.FiltDesignKa;
    tau1 = params.FiltDesignTau1;
    tau2 = params.FiltDesignTau2;
    tau3 = params.FiltDesignTau3;
    tau4 = params.FiltDesignTau4;
    tau5 = params.FiltDesignTau5;
    zeta2 = params.FiltDesignzeta;
    fs = params.FiltDesignfs;
    C1 = capacitorFarads(params.SchemaC1Val, params.SchemaC1Unit);
}

} // namespace loopcraft
