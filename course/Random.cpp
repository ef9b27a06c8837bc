#include "course/Random.h"

#include <ctime>

CRandom& CRandom::Global()
{
    static CRandom generator;
    return generator;
}

void CRandom::SeedGlobalFromClock()
{
    Global().Seed(static_cast<std::uint32_t>(std::time(nullptr)));
}
