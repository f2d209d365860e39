#include "draw/intensity_table.h"

#include <cmath>
#include <cstddef>

namespace draw {

namespace {

// The calibrated distances the table passes through, as (level, distance)
// knots; a monotone cubic fills the levels between them. The knot (71, 0.5)
// makes a pixel half a pixel from the line (the two rows beside a horizontal
// line) blend at level 71 of 255, where the cubic through the other knots
// alone would give 70.
struct Knot {
    int level;
    double distance;
};
constexpr std::array<Knot, 11> kKnots{{
    {1, 0.05601}, {2, 0.07925}, {3, 0.09712}, {10, 0.1781}, {50, 0.41045}, {71, 0.5},
    {100, 0.62158}, {150, 0.86718}, {200, 1.52}, {220, 1.72}, {227, 1.79},
}};

// Fritsch-Carlson limit: a cubic piece stays monotone while the squared
// tangent ratios add up to at most 9.
constexpr double kMonotoneLimit = 9.0;

// Fritsch FN, Carlson RE, "Monotone piecewise cubic interpolation", SIAM J
// Numer Anal 17(2):238-246, 1980: tangents from the mean of the neighbouring
// secants (one-sided at the ends), then cut back where a piece would
// overshoot. Computed in double, stored as float.
IntensityTable BuildTable()
{
    constexpr std::size_t n = kKnots.size();
    std::array<double, n - 1> secant{};
    for (std::size_t i = 0; i + 1 < n; ++i)
        secant[i] = (kKnots[i + 1].distance - kKnots[i].distance) / (kKnots[i + 1].level - kKnots[i].level);

    std::array<double, n> tangent{};
    tangent[0] = secant[0];
    tangent[n - 1] = secant[n - 2];
    for (std::size_t i = 1; i + 1 < n; ++i)
        tangent[i] = (secant[i - 1] + secant[i]) / 2.0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const double alpha = tangent[i] / secant[i];
        const double beta = tangent[i + 1] / secant[i];
        const double sum = alpha * alpha + beta * beta;
        if (sum > kMonotoneLimit) {
            const double tau = 3.0 / std::sqrt(sum);
            tangent[i] = tau * alpha * secant[i];
            tangent[i + 1] = tau * beta * secant[i];
        }
    }

    IntensityTable table{}; // level 0 and the levels past the last knot stay 0
    std::size_t piece = 0;
    for (int level = kKnots.front().level; level <= kKnots.back().level; ++level) {
        while (piece + 2 < n && level >= kKnots[piece + 1].level)
            ++piece;
        const Knot& from = kKnots[piece];
        const Knot& to = kKnots[piece + 1];
        const double h = to.level - from.level;
        const double t = (level - from.level) / h;
        const double t2 = t * t;
        const double t3 = t2 * t;
        const double value = (2 * t3 - 3 * t2 + 1) * from.distance + (t3 - 2 * t2 + t) * h * tangent[piece]
            + (-2 * t3 + 3 * t2) * to.distance + (t3 - t2) * h * tangent[piece + 1];
        table[static_cast<std::size_t>(level)] = static_cast<float>(value);
    }
    return table;
}

} // namespace

const IntensityTable& SmoothLineIntensity()
{
    static const IntensityTable table = BuildTable();
    return table;
}

// The search keeps the drawer's own ending rules: the last level has no upper
// neighbour, so it never matches by itself, and a search that ends without a
// match gives the last level it tried. With the zero entries past level 227
// every distance from entry 224 (1.76) on runs up to level 255: such pixels
// keep their colour.
int IntensityLevel(double distance)
{
    const IntensityTable& table = SmoothLineIntensity();
    const double d = std::fabs(distance);
    int lo = 0;
    int hi = kIntensityLevels - 1;
    int m = 0;
    do {
        m = (lo + hi) / 2;
        const auto at = [&](int level) { return static_cast<double>(table[static_cast<std::size_t>(level)]); };
        const bool atOrAbove = d >= at(m);
        if (atOrAbove && m + 1 < kIntensityLevels && d < at(m + 1))
            return m;
        if (atOrAbove)
            lo = m + 1;
        else
            hi = m - 1;
    } while (lo <= hi);
    return m;
}

} // namespace draw
