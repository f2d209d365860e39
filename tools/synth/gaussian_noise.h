#pragma once

#include <cstdint>
#include <random>

namespace synth {

// Standard normal and uniform numbers from a fixed generator and a fixed
// transform, so that a seed gives the same signal with every standard library
// (std::normal_distribution is not portable across implementations).
class GaussianNoise {
public:
    explicit GaussianNoise(std::uint32_t seed) : m_engine(seed) {}

    // Uniform in [0, 1), 53 bits.
    double NextUniform();
    // Standard normal (Box-Muller, one value per call).
    double NextNormal();

private:
    std::mt19937 m_engine;
};

} // namespace synth
