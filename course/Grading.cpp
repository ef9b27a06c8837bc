#include "course/Grading.h"

#include <algorithm>
#include <climits>

namespace quillet
{
int Percent(int right, int total)
{
    if (total <= 0)
        return 0;
    const long long percent = static_cast<long long>(right) * 100 / total;
    return static_cast<int>(std::clamp<long long>(percent, INT_MIN, INT_MAX));
}

Grade GradeFor(int percent)
{
    struct Step
    {
        int from;
        Grade grade;
    };
    static constexpr Step kSteps[] = {
        {100, {"A+", "an"}},
        {90, {"A", "an"}},
        {80, {"B", "a"}},
        {70, {"C", "a"}},
    };
    for (const Step& step : kSteps)
        if (percent >= step.from)
            return step.grade;
    return {"", ""};
}

bool EarnsCertificate(TestKind kind, int percent)
{
    return kind == TestKind::Test && percent >= kCertificatePercent;
}
}
