// Phase noise per source through the loop model, the power sum and its integral.
#include "core/noise/PhaseNoiseAnalysis.h"

#include "core/design/LoopModel.h"
#include "core/schematic/ComponentValues.h"
#include "core/schematic/SpiceDeck.h"

#include <array>
#include <charconv>
#include <cmath>
#include <numbers>

namespace loopcraft {

namespace {

std::string number(double v) {
    std::array<char, 32> buffer{};
    const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v,
                                 std::chars_format::general, 6);
    return std::string(buffer.data(), r.ptr);
}

double toDb(double power) {
    return power > 1e-30 ? 10.0 * std::log10(power) : kNoiseFloorDbc;
}

} // namespace

PhaseNoiseLoopBuild phaseNoiseLoopFrom(const ParameterSet& params, bool e24Values) {
    PhaseNoiseLoopBuild build;
    PhaseNoiseLoop loop;
    loop.config = Configuration::fromFlags(params);
    loop.state = FilterDesignState::fromParameters(params, loop.config);
    const bool adpll = loop.config.isAdpll();
    loop.fRef = adpll ? params.ConfigADPLLf0 : params.ConfigLDPLLf0;
    loop.nf = adpll ? 1.0 : static_cast<double>(loop.state.N);
    loop.fOut = loop.nf * loop.fRef;
    if (!std::isfinite(loop.fRef) || !(loop.fRef > 0)) {
        build.error = "the centre frequency f0 must be positive";
        return build;
    }
    loop.circuit = filterCircuitFor(loop.config);
    if (loop.circuit) {
        ParameterSet scratch = params;
        const CapacitorEntries entries = CapacitorEntries::fromParameters(scratch);
        const ComponentCalculation calc = CalculateComponentValues(scratch, loop.config, entries);
        if (calc.error) {
            build.error = calc.error->text;
            return build;
        }
        std::string why;
        const auto values = deckPartValues(
            *loop.circuit, componentInputs(scratch, loop.config, entries.c1Unit, entries.c4Unit),
            calc.values, e24Values ? DeckValues::E24 : DeckValues::Designed, &why);
        if (!values) {
            build.error = why;
            return build;
        }
        loop.filter = FilterNoise::make(*loop.circuit, *values);
        if (!loop.filter) {
            build.error = "the filter circuit has a part without a positive value";
            return build;
        }
    }
    build.loop = std::move(loop);
    return build;
}

double integrationTo(const PhaseNoiseSettings& settings, double fRef) {
    return settings.to > 0 ? settings.to : 0.5 * fRef;
}

std::vector<double> analysisOffsets(double from, double to, int points) {
    std::vector<double> f(static_cast<std::size_t>(std::max(points, 2)));
    const double a = std::log10(from / 10.0);
    const double b = std::log10(2.0 * to);
    const double n = static_cast<double>(f.size() - 1);
    for (std::size_t i = 0; i < f.size(); ++i)
        f[i] = std::pow(10.0, a + (b - a) * static_cast<double>(i) / n);
    // The ends exactly, so that the band lies inside whatever rounding did.
    f.front() = from / 10.0;
    f.back() = 2.0 * to;
    return f;
}

PhaseNoiseRun analyzePhaseNoise(const PhaseNoiseLoop& loop, const PhaseNoiseSettings& settings) {
    PhaseNoiseRun run;
    if (auto why = checkPhaseNoiseSettings(settings)) {
        run.error = *why;
        return run;
    }
    if (!std::isfinite(loop.fRef) || !(loop.fRef > 0)) {
        run.error = "the centre frequency f0 must be positive";
        return run;
    }
    const double from = settings.from;
    const double to = integrationTo(settings, loop.fRef);
    if (!(from < to)) {
        run.error = "the integration limits are reversed or equal: from " + number(from) +
                    " Hz to " + number(to) + " Hz";
        return run;
    }

    PhaseNoiseResult r;
    r.offsets = analysisOffsets(from, to, settings.points);
    const std::vector<double>& f = r.offsets;
    const std::size_t n = f.size();

    // Power transfers of the loop: |Nf·G/(1+G)|² for the sources at the detector's input,
    // 1/|1+G|² for the oscillator, and (K0/ω)²/|1+G|² from the control voltage.
    std::vector<double> inBand(n);
    std::vector<double> highPass(n);
    std::vector<double> fromControl(n);
    const double k0 = loop.state.K0;
    for (std::size_t i = 0; i < n; ++i) {
        const LoopResponse g = EvaluateLoop(loop.state, loop.config, static_cast<float>(f[i]));
        const double re = g.openLoop.re;
        const double im = g.openLoop.im;
        const double denominator = (1.0 + re) * (1.0 + re) + im * im;
        const double g2 = re * re + im * im;
        if (!std::isfinite(denominator) || !std::isfinite(g2) || !(denominator > 0)) {
            run.error = "the loop model gives no finite gain at " + number(f[i]) + " Hz";
            return run;
        }
        inBand[i] = loop.nf * loop.nf * g2 / denominator;
        highPass[i] = 1.0 / denominator;
        const double omega = 2.0 * std::numbers::pi * f[i];
        fromControl[i] = k0 * k0 / (omega * omega) / denominator;
    }

    std::vector<double> totalPower(n, 0.0);
    auto add = [&](NoiseSource source, std::string name, const std::vector<double>& power,
                   bool counts) {
        NoiseContribution c{source, std::move(name), std::vector<double>(n)};
        for (std::size_t i = 0; i < n; ++i) {
            c.dbc[i] = toDb(power[i]);
            if (counts)
                totalPower[i] += power[i];
        }
        r.contributions.push_back(std::move(c));
    };

    std::vector<double> table;
    std::vector<double> power(n);
    noiseAt(settings.reference, f, table);
    for (std::size_t i = 0; i < n; ++i)
        power[i] = std::pow(10.0, table[i] / 10.0) * inBand[i];
    add(NoiseSource::Reference, "reference", power, true);

    const bool adpll = loop.config.isAdpll();
    if (!adpll) {
        const double floorDb = settings.detectorFromFom
                                   ? settings.detectorFom + 10.0 * std::log10(loop.fRef)
                                   : settings.detectorFloor;
        const double floor = std::pow(10.0, floorDb / 10.0);
        for (std::size_t i = 0; i < n; ++i)
            power[i] = floor * (1.0 + settings.detectorCorner / f[i]) * inBand[i];
        add(NoiseSource::Detector, "detector", power, true);

        if (loop.nf > 1) {
            const double divider = std::pow(10.0, settings.dividerFloor / 10.0);
            for (std::size_t i = 0; i < n; ++i)
                power[i] = divider * inBand[i];
            add(NoiseSource::Divider, "divider", power, true);
        }
    }

    if (loop.filter) {
        const FilterNoise& filter = *loop.filter;
        const std::size_t nr = filter.resistors().size();
        const std::size_t na = filter.opAmps().size();
        std::vector<std::vector<double>> resistorPower(nr, std::vector<double>(n));
        std::vector<double> opAmpPower(n, 0.0);
        std::vector<double> gr;
        std::vector<double> ga;
        const double fourKT = 4.0 * kBoltzmann * settings.temperature;
        const double en2 = settings.opAmpNoise * 1e-9 * settings.opAmpNoise * 1e-9;
        for (std::size_t i = 0; i < n; ++i) {
            if (!filter.transfers(f[i], gr, ga)) {
                run.error = "the filter circuit has no solution at " + number(f[i]) + " Hz";
                return run;
            }
            // One-sided phase spectrum Sφ = |K0/(jω)/(1+G)|²·Sv, and L = Sφ/2.
            for (std::size_t k = 0; k < nr; ++k)
                resistorPower[k][i] = 0.5 * fromControl[i] * fourKT / filter.resistance(k) * gr[k];
            for (std::size_t k = 0; k < na; ++k)
                opAmpPower[i] += 0.5 * fromControl[i] * en2 * ga[k];
        }
        if (nr > 0) {
            for (std::size_t i = 0; i < n; ++i) {
                power[i] = 0;
                for (std::size_t k = 0; k < nr; ++k)
                    power[i] += resistorPower[k][i];
            }
            add(NoiseSource::Resistors, "resistors", power, true);
            for (std::size_t k = 0; k < nr; ++k)
                add(NoiseSource::Resistor, filter.resistors()[k], resistorPower[k], false);
        }
        if (na > 0)
            add(NoiseSource::OpAmp, "opamp", opAmpPower, true);
    }

    noiseAt(settings.oscillator, f, table);
    for (std::size_t i = 0; i < n; ++i)
        power[i] = std::pow(10.0, table[i] / 10.0) * highPass[i];
    add(NoiseSource::Oscillator, "oscillator", power, true);

    r.total.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        r.total[i] = toDb(totalPower[i]);
    r.figures = integrateNoise(f, r.total, from, to, loop.fOut);

    if (adpll) {
        r.note = "all-digital loop: reference and oscillator through its linear model; its "
                 "counters add no noise of their own here";
    } else if (!loop.filter) {
        r.note = "a loop of order 1 has no filter: no resistor or op-amp noise";
    }
    run.result = std::move(r);
    return run;
}

} // namespace loopcraft
