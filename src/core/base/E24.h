// E24 rounding and the capacitor unit list shared by the filter design and the schematic.
//
// Designed values are rounded to the E24 series on a logarithmic scale, a tie going upwards.
// Capacitors are entered as a number and a unit from a fixed list whose index i stands for a
// factor of 10^(-3i).
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace loopcraft {

// The E24 series with 10.0 appended as entry 24, so that a mantissa just below 10 has an upper
// neighbour.
inline constexpr std::array<float, 25> kE24Series{
    1.0F, 1.1F, 1.2F, 1.3F, 1.5F, 1.6F, 1.8F, 2.0F, 2.2F, 2.4F, 2.7F, 3.0F, 3.3F,
    3.6F, 3.9F, 4.3F, 4.7F, 5.1F, 5.6F, 6.2F, 6.8F, 7.5F, 8.2F, 9.1F, 10.0F};

// Capacitor units as the unit lists show them; index i means 10^(-3i) farads.
inline constexpr std::array<const char*, 5> kCapacitorUnits{"F", "mF", "uF", "nF", "pF"};
inline constexpr int kCapacitorUnitCount = static_cast<int>(kCapacitorUnits.size());
inline constexpr int kLastCapacitorUnit = kCapacitorUnitCount - 1;

// The factor of unit `index` (10^(-3 * index)). Any index is accepted; only 0..4 are units.
double capacitorUnitFactor(int index);
// `value` in unit `index` as farads, as a 32-bit float.
float capacitorFarads(float value, int index);
// The unit's text ("nF"), or an empty text for an index outside the list.
std::string_view capacitorUnitName(int index);
// The index of a unit text ("nF" -> 3), exact spelling.
std::optional<int> capacitorUnitIndex(std::string_view name);

// Index into kE24Series of the series value nearest to `mantissa` on a logarithmic scale; a
// mantissa exactly half-way goes up. Expects a mantissa in [1, 10]; anything else is clamped
// to the ends of the table.
int e24Index(float mantissa);

// A positive, finite value rounded to the E24 series in its own decade (50000 -> 51000).
// Nothing for zero, negative or non-finite values: they have no series representation.
std::optional<float> roundToE24(float value);

// A capacitance written as a number in one of the list units.
struct CapacitorValue {
    float value = 0; // in the unit below
    int unit = 0;    // index into kCapacitorUnits
};

// Brings a capacitance in farads into the largest unit in which it is at least 1 and rounds the
// number to the E24 series (4.7e-9 -> 4.7 nF, 0.05 -> 51 mF). Capacitances below 1 pF stay in
// picofarads and keep their own decade (4.7e-13 -> 0.47 pF). Nothing for zero, negative or
// non-finite capacitances.
std::optional<CapacitorValue> normaliseCapacitor(float farads);

} // namespace loopcraft
