#pragma once

#include "course/TestKind.h"

// How a score is graded: its percent, its letter and whether it earns a
// certificate of completion. The results page, the screen reader's summary,
// the print-out and the e-mail all read them here.
namespace quillet
{
// right * 100 / total, truncated; 0 when there are no questions. Numbers out
// of an edited record file cannot overflow it.
int Percent(int right, int total);

struct Grade
{
    const char* letter;  // "A+", "A", "B", "C"; "" below the lowest grade
    const char* article; // "an" or "a" before the letter; "" without one
};

// 100 is an A+, 90 an A, 80 a B, 70 a C; below 70 no grade is given.
Grade GradeFor(int percent);

// The percent a Test needs for a certificate of completion.
inline constexpr int kCertificatePercent = 75;
// Only the final Test earns a certificate; a Pre-Test or a quiz never does.
bool EarnsCertificate(TestKind kind, int percent);
}
