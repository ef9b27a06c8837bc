#pragma once

#include <cstdint>

// The draw's random source. It keeps the C library's rand() contract (values
// 0 to 32767) so that the draw algorithms, which reduce modulo 211 and 61,
// behave the same whatever platform runs them; glibc's rand() would not.
class CRandom
{
  public:
    static constexpr int kMax = 32767;

    explicit CRandom(std::uint32_t seed = 1) : m_state(seed) {}

    void Seed(std::uint32_t seed) { m_state = seed; }

    int Next()
    {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7fffu);
    }

    // The process-wide generator: seeded once at start-up from the clock,
    // seeded explicitly by tests and tools.
    static CRandom& Global();

    // Seeds the global generator from the current time.
    static void SeedGlobalFromClock();

  private:
    std::uint32_t m_state;
};
