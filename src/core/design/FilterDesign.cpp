// Mixed-signal filter design.
#include "core/design/FilterDesign.h"

#include "core/design/LoopModel.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace loopcraft {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr float kPoleRatio = 0.2F;      // each further real pole is 0.2 times the previous
constexpr float kActiveLLRatio = 10.0F; // tau1 = 10/ω of the active lead-lag filter
constexpr float kComplexZeta = 0.707F;
constexpr float kChargePumpKa = 10.0F;
constexpr int kMaxCorrections = 10;

float times(double factor, float x) {
    return static_cast<float>(factor * x);
}

// The passive filter's buffered RC stages of orders 4 and 5, each a kPoleRatio faster than the
// pole before it.
void designPassiveStages(FilterDesignState& s, const Configuration& c, float pole) {
    if (c.order >= 4) {
        s.tau4 = times(kPoleRatio, pole);
    }
    if (c.order == 5) {
        s.tau5 = times(kPoleRatio, s.tau4);
    }
}

// Section 2 of the active filters, orders 4 and 5.
void designSectionTwo(FilterDesignState& s, const Configuration& c, float fd, float t) {
    if (c.poleKind == PoleKind::Real) {
        s.tau4 = c.order == 4 ? times(kPoleRatio, t) : times(kPoleRatio, times(kPoleRatio, t));
        s.tau5 = times(kPoleRatio, s.tau4);
    } else {
        s.fs = c.order == 4 ? 5.0F * fd : 25.0F * fd;
        s.zeta2 = kComplexZeta;
    }
}

void designVoltageDetector(FilterDesignState& s, const Configuration& c, float fd, float w,
                           float t) {
    const float nf = static_cast<float>(s.N);
    const float l =
        static_cast<float>(static_cast<double>(s.K0) * s.Kd / (std::pow(double{w}, 2.0) * nf));
    const float rest = t - times(kPoleRatio, t); // T − 0.2·T
    const float pole = times(kPoleRatio, t);     // 0.2·T
    const bool odd = c.order == 3 || c.order == 5;
    switch (c.filter) {
    case LoopFilter::PassiveLL:
        if (c.order == 2) {
            s.tau1 = l - t;
            s.tau2 = t;
        } else if (c.detector == Detector::PFD) {
            // The floating detector makes the filter integrate: 1/(s·tau1) with the zero at
            // tau2 + tau3 and C3's pole, the shape of the active PI filter.
            s.tau1 = l;
            s.tau2 = rest;
            s.tau3 = pole;
            designPassiveStages(s, c, pole);
        } else {
            const float a = pole;
            s.tau1 = l + a - t;
            s.tau2 = static_cast<float>(t - static_cast<double>(l) * a / (l + a - t));
            s.tau3 = t - s.tau2;
            designPassiveStages(s, c, a);
        }
        return;
    case LoopFilter::ActiveLL: {
        s.tau1 = kActiveLLRatio * t;
        const std::uint32_t tenN = 10U * s.N;
        s.Ka = static_cast<float>(static_cast<double>(static_cast<float>(tenN)) * w /
                                  (static_cast<double>(s.K0) * s.Kd));
        break;
    }
    case LoopFilter::ActivePI:
        s.tau1 = l;
        break;
    }
    if (odd) {
        s.tau2 = rest;
        s.tau3 = pole;
    } else {
        s.tau2 = t;
    }
    if (c.order >= 4) {
        designSectionTwo(s, c, fd, t);
    }
}

void designChargePump(FilterDesignState& s, const Configuration& c, float fd, float w, float t) {
    const float nf = static_cast<float>(s.N);
    const double w2nf = std::pow(double{w}, 2.0) * nf;
    const float rest = t - times(kPoleRatio, t);
    const float pole = times(kPoleRatio, t);
    const bool odd = c.order == 3 || c.order == 5;
    if (c.filter == LoopFilter::PassiveLL) {
        s.C1 = static_cast<float>(static_cast<double>(s.K0) * s.Kp / w2nf);
        if (c.order == 2) {
            s.tau2 = t;
            return;
        }
        s.tau2 = rest;
        s.tau3 = pole;
        designPassiveStages(s, c, pole);
        return;
    }
    if (c.filter == LoopFilter::ActiveLL) {
        s.Ka = kChargePumpKa;
        s.tau1 = kActiveLLRatio * t;
        s.C1 = static_cast<float>(static_cast<double>(s.Kp) * s.K0 * s.Ka / w2nf);
    } else {
        s.C1 = static_cast<float>(static_cast<double>(s.K0) * s.Kp / w2nf);
    }
    if (odd) {
        s.tau2 = rest;
        s.tau3 = pole;
    } else {
        s.tau2 = t;
    }
    if (c.order >= 4) {
        designSectionTwo(s, c, fd, t);
    }
}

} // namespace

std::optional<float> RunDesignStep(FilterDesignState& s, const Configuration& c, float fd) {
    if (!c.isAdpll() && c.order >= 2) {
        const float w = static_cast<float>(kTwoPi * fd);
        const float t = 1.0F / w;
        if (c.chargePump()) {
            designChargePump(s, c, fd, w, t);
        } else {
            designVoltageDetector(s, c, fd, w, t);
        }
    }
    return Find3dBFrequency(s, c);
}

bool HasMaximumF3db(const Configuration& c) {
    return !c.isAdpll() && c.order != 1 && !c.chargePump() && c.filter == LoopFilter::PassiveLL;
}

float MaximumF3db(const FilterDesignState& s) {
    const float nf = static_cast<float>(s.N);
    return static_cast<float>(static_cast<double>(s.K0) * s.Kd / (nf * kTwoPi));
}

std::string MaximumF3dbWarning(float fmax) {
    return "Maximum f3db frequency with this PLL is " + formatGeneral(fmax, 6) +
           " Hz.\r\n"
           "Note, however, that specifying the max value would\r\n"
           "result in a trivial loop filter, because the zero of\r\n"
           "of the filter would be cancelled by a pole.\r\n"
           "To get a reasonable filter, we recommend to specify\r\n"
           "an f3db of less than half the max value.";
}

std::optional<CorrectionResult> DesignForBandwidth(FilterDesignState& s, const Configuration& c,
                                                   float fT) {
    CorrectionResult r;
    r.designFrequency = fT;
    const auto first = RunDesignStep(s, c, r.designFrequency);
    if (!first) {
        return std::nullopt;
    }
    r.achievedF3db = *first;
    const auto outside = [&] {
        const float ratio = r.achievedF3db / fT;
        return ratio > 1.01F || ratio < 0.99F;
    };
    while (outside() && r.corrections < kMaxCorrections) {
        r.designFrequency = r.designFrequency * fT / r.achievedF3db;
        const auto fa = RunDesignStep(s, c, r.designFrequency);
        if (!fa) {
            return std::nullopt;
        }
        r.achievedF3db = *fa;
        ++r.corrections;
    }
    return r;
}

std::string formatGeneral(double value, int digits) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
    return buffer;
}

} // namespace loopcraft
