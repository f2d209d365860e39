#include "gaussian_noise.h"

#include <cmath>
#include <numbers>

namespace synth {

double GaussianNoise::NextUniform()
{
    const std::uint64_t high = m_engine() >> 5;   // 27 bits
    const std::uint64_t low = m_engine() >> 6;    // 26 bits
    return static_cast<double>((high << 26) | low) / 9007199254740992.0;   // 2^53
}

double GaussianNoise::NextNormal()
{
    const double u1 = 1.0 - NextUniform();   // (0, 1]: log stays finite
    const double u2 = NextUniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

} // namespace synth
