// The loop transfer model.
#include "core/design/LoopModel.h"

#include "core/base/NonFinite.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

namespace loopcraft {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;
constexpr float kHalfPiF = static_cast<float>(kPi / 2.0);
constexpr float kPiF = static_cast<float>(kPi);

// The poles of one configuration: up to four real first-order factors and the optional
// quadratic of section 2.
struct Poles {
    std::array<float, 4> taus{};
    std::size_t count = 0;
    bool quadratic = false;

    void add(float tau) { taus[count++] = tau; }
};

// The two roots of 1 + s·(tau1 + tau2 + tau3) + s²·tau1·tau3 as time constants.
struct PassivePoles {
    float tauA;
    float tauB;
};

PassivePoles passivePoles(const FilterDesignState& s) {
    const float s3 = s.tau1 + s.tau2 + s.tau3;
    const float t13 = s.tau1 * s.tau3;
    const double disc = static_cast<double>(s3) * s3 - 4.0 * static_cast<double>(t13);
    const float tauA = static_cast<float>((s3 + std::sqrt(disc)) * 0.5);
    const float tauB = t13 / tauA;
    return {tauA, tauB};
}

// The voltage PFD's output floats while it idles, so R1 carries no current between pulses and
// the lead-lag filters integrate. Averaged over a reference period the detector then acts as a
// current source into the network behind R1: Kd·θ / R at mid-level, with R the resistance its
// pulses see. At order 2 that is R1 + R2 in series with C1, hence Kd/(s·(tau1 + tau2)); where C3
// sits across R2 it holds the node during the short pulses of a small phase error, so R1 alone
// counts (Kd/(s·tau1)), and C3 adds its pole with R2. The active filter's input capacitor keeps
// its charge while idle, so only R1 sets the current (Kd·Ka/(s·tau1)).
bool integratingLeadLag(const Configuration& c) {
    return c.detector == Detector::PFD && c.filter != LoopFilter::ActivePI;
}

// (1 + jωτ) formed as one + (j·ω)·τ.
Complex firstOrder(const FilterDesignState& s, float w, float tau) {
    return s.one + (s.j * w) * tau;
}

// Leading term A and its base phase φ0 for orders 2..5.
struct Leading {
    Complex a;
    float phi0;
};

Leading leadingTerm(const FilterDesignState& s, const Configuration& c, float w, float nf) {
    const double w2 = static_cast<double>(w) * w;
    const bool cp = c.chargePump();
    switch (c.filter) {
    case LoopFilter::PassiveLL:
        if (cp) {
            return {
                {static_cast<float>(static_cast<double>(s.K0) * s.Kp / (-w2 * s.C1 * nf)), 0.0F},
                kPiF};
        }
        if (integratingLeadLag(c)) {
            const double tau = c.order == 2 ? static_cast<double>(s.tau1 + s.tau2) : s.tau1;
            return {{static_cast<float>(static_cast<double>(s.K0) * s.Kd / (-w2 * nf * tau)), 0.0F},
                    kPiF};
        }
        return {Complex(s.K0 * s.Kd, 0.0F) / Complex(0.0F, w * nf), kHalfPiF};
    case LoopFilter::ActiveLL:
        if (cp) {
            const float num = static_cast<float>(static_cast<double>(s.K0) * s.Kp * s.Ka * s.tau1);
            return {Complex(num, 0.0F) / Complex(0.0F, w * s.C1 * nf), kHalfPiF};
        }
        if (integratingLeadLag(c)) {
            return {
                {static_cast<float>(static_cast<double>(s.K0) * s.Kd * s.Ka / (-w2 * nf * s.tau1)),
                 0.0F},
                kPiF};
        }
        return {Complex(s.K0 * s.Kd * s.Ka, 0.0F) / Complex(0.0F, w * nf), kHalfPiF};
    case LoopFilter::ActivePI:
        if (cp) {
            return {
                {static_cast<float>(static_cast<double>(s.K0) * s.Kp / (-w2 * s.C1 * nf)), 0.0F},
                kPiF};
        }
        return {{static_cast<float>(static_cast<double>(s.K0) * s.Kd / (-w2 * nf * s.tau1)), 0.0F},
                kPiF};
    }
    return {{}, 0.0F};
}

// Time constant of the zero for orders 2..5.
float zeroTau(const FilterDesignState& s, const Configuration& c) {
    const bool activeOrder4 = c.order == 4 && c.filter != LoopFilter::PassiveLL;
    if (c.order == 2 || activeOrder4) {
        return s.tau2;
    }
    return s.tau2 + s.tau3;
}

// The pole factors in the order P1, P2, S.
Poles poles(const FilterDesignState& s, const Configuration& c) {
    Poles p;
    const bool cp = c.chargePump();
    const bool passive = c.filter == LoopFilter::PassiveLL;
    const bool integrating = integratingLeadLag(c);
    // The passive filter driven by a voltage it cannot float: R1 divides with the network.
    const bool passiveVd = passive && !cp && !integrating;

    // P1
    if (passiveVd) {
        if (c.order == 2) {
            p.add(s.tau1 + s.tau2);
        } else {
            const PassivePoles pp = passivePoles(s);
            p.add(pp.tauA);
            p.add(pp.tauB);
        }
    } else if (c.filter == LoopFilter::ActiveLL && !integrating) {
        p.add(s.tau1);
    }

    // P2
    const bool odd = c.order == 3 || c.order == 5;
    if ((odd && !passiveVd) || (c.order == 4 && passive && (cp || integrating))) {
        p.add(s.tau3);
    }

    // S
    if (c.order >= 4) {
        if (passive) {
            p.add(s.tau4);
            if (c.order == 5) {
                p.add(s.tau5);
            }
        } else if (c.poleKind == PoleKind::Real) {
            p.add(s.tau4);
            p.add(s.tau5);
        } else {
            p.quadratic = true;
        }
    }
    return p;
}

LoopResponse finish(Complex g, float phase, const FilterDesignState& s) {
    LoopResponse r;
    r.openLoop = g;
    r.openLoopMagSq = g.magSq();
    r.openLoopPhase = phase;
    r.closedLoop = g / (s.one + g);
    r.closedLoopMagSq = r.closedLoop.magSq();
    r.closedLoopPhase = static_cast<float>(
        phase - std::atan2(static_cast<double>(g.im), static_cast<double>(g.re + 1.0F)));
    return r;
}

// The crossing search shared by the gain crossover and the 3-dB frequency. The coarse-to-fine
// steps follow the design window's own procedure; every loop is bounded, and a result that is
// not a finite frequency at or above the threshold counts as no crossing.
template <typename Value> std::optional<float> searchCrossing(Value value, float threshold) {
    // Float frequencies span about 83 decades; a step loop never needs more iterations than
    // this to cross one decade's worth of fine steps, or the whole range in decades.
    constexpr int kMaxSteps = 1200;
    constexpr int kRefineSteps = 24; // enough to reach float resolution in one fine step
    const double up01 = std::pow(10.0, 0.1);
    const double up001 = std::pow(10.0, 0.01);
    const double up0001 = std::pow(10.0, 0.001);
    const auto usable = [](float f) { return std::isfinite(f) && f > 0.0F; };

    float f = 1.0F;
    int steps = 0;
    if (value(f) > threshold) {
        while (value(f) > threshold) {
            f = 10.0F * f;
            if (!usable(f) || ++steps > kMaxSteps) {
                return std::nullopt;
            }
        }
    } else {
        while (value(f) < threshold) {
            f = static_cast<float>(0.1L * f);
            if (!usable(f) || ++steps > kMaxSteps) {
                return std::nullopt;
            }
        }
        f = 10.0F * f;
    }
    const auto walk = [&](bool whileAbove, double factor, bool divide) {
        int n = 0;
        while (whileAbove ? value(f) > threshold : value(f) < threshold) {
            f = static_cast<float>(divide ? f / factor : f * factor);
            if (!usable(f) || ++n > kMaxSteps) {
                return false;
            }
        }
        return true;
    };
    if (!walk(false, up01, true) || !walk(true, up001, false) || !walk(false, up0001, true)) {
        return std::nullopt;
    }
    const float v = value(f);
    if (!usable(f) || !std::isfinite(v) || !(v >= threshold)) {
        return std::nullopt;
    }
    // The last step leaves the crossing somewhere in (f, f·10^0.001). Halving that interval,
    // always keeping the lower end at or above the threshold, gives the crossing to float
    // resolution instead of to one fine step; the filter design's correction loop divides by
    // this figure, and a 0.2 % error there shows in the designed time constants.
    float lo = f;
    float hi = static_cast<float>(f * up0001);
    if (usable(hi) && value(hi) < threshold) {
        for (int i = 0; i < kRefineSteps; ++i) {
            const float mid = static_cast<float>(std::sqrt(static_cast<double>(lo) * hi));
            if (!(mid > lo && mid < hi)) {
                break;
            }
            if (value(mid) >= threshold) {
                lo = mid;
            } else {
                hi = mid;
            }
        }
    }
    return lo;
}

} // namespace

LoopResponse EvaluateLoop(const FilterDesignState& s, const Configuration& c, float f) {
    const float w = static_cast<float>(kTwoPi * f);

    if (c.isAdpll()) {
        const std::uint32_t m =
            c.adpllDetector == AdpllDetector::Exor ? 2U * s.M : s.M; // unsigned 32-bit
        const std::uint32_t kn = s.K * s.Nadpll;
        const float kadpll = static_cast<float>(
            static_cast<float>(m) * static_cast<double>(s.f0adpll) / static_cast<float>(kn));
        return finish(Complex(kadpll, 0.0F) / Complex(0.0F, w), -kHalfPiF, s);
    }

    const float nf = static_cast<float>(s.N);
    if (c.order <= 1) {
        return finish(Complex(s.K0 * s.Kd, 0.0F) / Complex(0.0F, w * nf), -kHalfPiF, s);
    }

    const Leading lead = leadingTerm(s, c, w, nf);
    const float tz = zeroTau(s, c);
    const Poles p = poles(s, c);

    Complex num = lead.a * firstOrder(s, w, tz);
    float phase = static_cast<float>(std::atan(static_cast<double>(w) * tz)) - lead.phi0;
    Complex den = s.one;
    for (std::size_t i = 0; i < p.count; ++i) {
        den = den * firstOrder(s, w, p.taus[i]);
        phase = static_cast<float>(phase - std::atan(static_cast<double>(w) * p.taus[i]));
    }
    if (p.quadratic) {
        const float ws = static_cast<float>(kTwoPi * s.fs);
        const float ratio = w / ws;
        const float ratioSq = static_cast<float>(static_cast<double>(ratio) * ratio);
        const Complex q = (s.one + (s.j * w * (2.0F * s.zeta2)) / ws) - ratioSq;
        den = den * q;
        phase = static_cast<float>(
            phase - std::atan2(2.0 * s.zeta2 * w / ws, 1.0 - static_cast<double>(ratioSq)));
    }
    return finish(num / den, phase, s);
}

OpenLoopFactors OpenLoopFactorsOf(const FilterDesignState& s, const Configuration& c) {
    OpenLoopFactors f;
    if (c.isAdpll() || c.order <= 1) {
        // G = gain/(jω): its value at ω = 1 gives the gain.
        const LoopResponse r = EvaluateLoop(s, c, static_cast<float>(1.0 / kTwoPi));
        f.gain = -static_cast<double>(r.openLoop.im);
        return f;
    }
    const float nf = static_cast<float>(s.N);
    const Leading lead = leadingTerm(s, c, 1.0F, nf);
    // The leading term is gain/(jω) (φ0 = π/2) or gain/(jω)² = −gain/ω² (φ0 = π).
    if (lead.phi0 > 2.0F) {
        f.integrators = 2;
        f.gain = -static_cast<double>(lead.a.re);
    } else {
        f.integrators = 1;
        f.gain = -static_cast<double>(lead.a.im);
    }
    f.zeroTau = zeroTau(s, c);
    const Poles p = poles(s, c);
    for (std::size_t i = 0; i < p.count; ++i)
        f.poleTaus.push_back(p.taus[i]);
    if (p.quadratic) {
        f.quadratic = true;
        f.omegaS = kTwoPi * s.fs;
        f.zeta2 = s.zeta2;
    }
    return f;
}

std::optional<float> FindGainCrossover(const FilterDesignState& s, const Configuration& c) {
    return searchCrossing([&](float f) { return EvaluateLoop(s, c, f).openLoopMagSq; }, 1.0F);
}

std::optional<float> Find3dBFrequency(const FilterDesignState& s, const Configuration& c) {
    return searchCrossing([&](float f) { return EvaluateLoop(s, c, f).closedLoopMagSq; }, 0.5F);
}

float ComputeNaturalFrequency(const FilterDesignState& s, const Configuration& c) {
    if (c.isAdpll() || c.order <= 1) {
        return 0.0F;
    }
    const double nf = static_cast<float>(s.N);
    const double k0 = s.K0;
    if (c.chargePump()) {
        const double ka = c.filter == LoopFilter::ActiveLL ? static_cast<double>(s.Ka) : 1.0;
        return static_cast<float>(std::sqrt(k0 * s.Kp * ka / (nf * s.C1)));
    }
    switch (c.filter) {
    case LoopFilter::PassiveLL: {
        const bool pfdWithC3 = integratingLeadLag(c) && c.order > 2;
        const float t = c.order == 2 ? s.tau1 + s.tau2 : pfdWithC3 ? s.tau1 : passivePoles(s).tauA;
        return static_cast<float>(std::sqrt(k0 * s.Kd / (nf * t)));
    }
    case LoopFilter::ActiveLL:
        return static_cast<float>(std::sqrt(k0 * s.Kd * s.Ka / (nf * s.tau1)));
    case LoopFilter::ActivePI:
        return static_cast<float>(std::sqrt(k0 * s.Kd / (nf * s.tau1)));
    }
    return 0.0F;
}

float ComputeDampingFactor(const FilterDesignState& s, const Configuration& c) {
    if (c.isAdpll() || c.order <= 1) {
        return 0.0F;
    }
    const double wn = s.omegaN;
    const double nf = static_cast<float>(s.N);
    const double t23 = static_cast<double>(s.tau2 + s.tau3);
    const bool odd = c.order == 3 || c.order == 5;
    if (c.chargePump()) {
        switch (c.filter) {
        case LoopFilter::PassiveLL:
            return static_cast<float>(c.order == 2 ? wn * s.tau2 / 2.0 : t23 * wn / 2.0);
        case LoopFilter::ActiveLL:
            return static_cast<float>(odd ? t23 * wn / 2.0 + 1.0 / (2.0 * wn * s.tau1)
                                          : 1.0 / (2.0 * wn * s.tau1) + wn * s.tau2 / 2.0);
        case LoopFilter::ActivePI:
            return static_cast<float>(odd ? t23 * wn / 2.0 : wn * s.tau2 / 2.0);
        }
        return 0.0F;
    }
    if (integratingLeadLag(c)) {
        // The zero's time constant: tau2 + tau3 where C3 sits across R2.
        return static_cast<float>(wn * zeroTau(s, c) / 2.0);
    }
    const double k0kd = static_cast<double>(s.K0) * s.Kd;
    switch (c.filter) {
    case LoopFilter::PassiveLL:
        return static_cast<float>((nf / k0kd + s.tau2) * wn / 2.0);
    case LoopFilter::ActiveLL:
        return static_cast<float>((nf / (k0kd * s.Ka) + s.tau2) * wn / 2.0);
    case LoopFilter::ActivePI:
        return static_cast<float>(wn * s.tau2 / 2.0);
    }
    return 0.0F;
}

std::optional<Complex> FilterResponse(const FilterDesignState& state, const Configuration& config,
                                      float f) {
    if (config.isAdpll() || config.order <= 1) {
        return std::nullopt;
    }
    FilterDesignState unit = state;
    unit.K0 = 1.0F;
    unit.Kd = 1.0F;
    unit.Kp = 1.0F;
    unit.N = 1;
    const Complex g = EvaluateLoop(unit, config, f).openLoop;
    return g * Complex(0.0F, static_cast<float>(kTwoPi * f));
}

float PhaseMarginDeg(const FilterDesignState& s, const Configuration& c, float fc) {
    const float phase = EvaluateLoop(s, c, fc).openLoopPhase;
    return static_cast<float>((phase + kPi) * 180.0 * (1.0 / kPi));
}

std::optional<Message> NonFiniteLoopResponse(const LoopResponse& r, float f) {
    const std::pair<const char*, float> values[] = {
        {"the open-loop gain G (real part)", r.openLoop.re},
        {"the open-loop gain G (imaginary part)", r.openLoop.im},
        {"the open-loop gain |G|^2", r.openLoopMagSq},
        {"the open-loop phase", r.openLoopPhase},
        {"the closed-loop gain H (real part)", r.closedLoop.re},
        {"the closed-loop gain H (imaginary part)", r.closedLoop.im},
        {"the closed-loop gain |H|^2", r.closedLoopMagSq},
        {"the closed-loop phase", r.closedLoopPhase},
    };
    for (const auto& [what, value] : values) {
        if (!std::isfinite(value)) {
            std::array<char, 32> freq{};
            std::snprintf(freq.data(), freq.size(), "%g", static_cast<double>(f));
            return NonFiniteMessage(std::string(what) + " at " + freq.data() + " Hz", value);
        }
    }
    return std::nullopt;
}

} // namespace loopcraft
