#pragma once

#include <functional>

#include "course/TestSession.h"
#include "skin/SkinButton.h"
#include "testwin/PagePainter.h"

// How the test window reads to a screen reader. The owner-drawn controls
// are described from the state they are painted from; the events that tell
// a reader what changed go out when the student acts, never by the clock.
class CWindowAccessibility
{
  public:
    using ControlById = std::function<QWidget*(int id)>;

    CWindowAccessibility(const quillet::TestSession& session, const CPagePainter& painter,
                         ControlById control, CSkinButton* resultsSummary);

    // Hands every owner-drawn control its describer; once, as the window is built.
    void DescribeControls();
    // Tells the readers what changed: the question, the answers, the flag,
    // the counter, and on the results page the summary.
    void TellChanges(bool resultsShown);

  private:
    SkinAccessibility DescribeQuestion() const;
    SkinAccessibility DescribeAnswer(int i) const;
    SkinAccessibility DescribeNotes() const;

    const quillet::TestSession& m_session;
    const CPagePainter& m_painter;
    ControlById m_control;
    CSkinButton* m_pResultsSummary;
};
