// A complex number as the loop model uses it: a pair of 32-bit floats. Each operation forms its
// real products in double precision and rounds once when the result is stored, so a chain of
// operations loses no more than one float rounding per stored part.
#pragma once

namespace loopcraft {

struct Complex {
    float re = 0.0F;
    float im = 0.0F;

    constexpr Complex() = default;
    constexpr Complex(float real, float imag) : re(real), im(imag) {}

    // re² + im².
    constexpr float magSq() const {
        return static_cast<float>(static_cast<double>(re) * re + static_cast<double>(im) * im);
    }

    constexpr bool operator==(const Complex&) const = default;
};

constexpr Complex operator+(Complex a, Complex b) {
    return {a.re + b.re, a.im + b.im};
}

constexpr Complex operator-(Complex a, Complex b) {
    return {a.re - b.re, a.im - b.im};
}

constexpr Complex operator*(Complex a, Complex b) {
    const double ar = a.re, ai = a.im, br = b.re, bi = b.im;
    return {static_cast<float>(ar * br - ai * bi), static_cast<float>(ar * bi + ai * br)};
}

// Quotient by the squared modulus of the divisor.
constexpr Complex operator/(Complex a, Complex b) {
    const double ar = a.re, ai = a.im, br = b.re, bi = b.im;
    const double d = br * br + bi * bi;
    return {static_cast<float>((ar * br + ai * bi) / d),
            static_cast<float>((ai * br - ar * bi) / d)};
}

constexpr Complex operator*(Complex a, float x) {
    return {static_cast<float>(static_cast<double>(a.re) * x),
            static_cast<float>(static_cast<double>(a.im) * x)};
}

constexpr Complex operator*(float x, Complex a) {
    return a * x;
}

constexpr Complex operator/(Complex a, float x) {
    return {static_cast<float>(static_cast<double>(a.re) / x),
            static_cast<float>(static_cast<double>(a.im) / x)};
}

// Subtracting a real number touches the real part only.
constexpr Complex operator-(Complex a, float x) {
    return {a.re - x, a.im};
}

} // namespace loopcraft
