// How the test window reads to a screen reader. The owner-drawn controls
// are described from the state they are painted from; the events that tell
// a reader what changed go out when the student acts, never by the clock.
#include "testwin/QuilletDlg.h"

using quillet::skin::FromBytes;

namespace
{
CSkinButton* SkinControl(QWidget* control)
{
    return qobject_cast<CSkinButton*>(control);
}
}

void CQuilletDlg::DescribeControls()
{
    auto* question = SkinControl(Control(IDC_QUESTION));
    // The question takes the focus on every page that shows it, so that it
    // is read first; Tab comes back to it.
    question->setFocusPolicy(Qt::StrongFocus);
    question->SetDescriber([this] { return DescribeQuestion(); });
    for (int i = 0; i < 4; ++i)
        SkinControl(Control(IDC_ANSWER_A + i))->SetDescriber([this, i] { return DescribeAnswer(i); });
    SkinControl(Control(IDC_FLAG))
        ->SetDescriber(
            [this]
            {
                SkinAccessibility flag;
                flag.name = QStringLiteral("Flag");
                flag.checkable = true;
                flag.checked = GetCurrent() && GetCurrent()->IsFlagged();
                return flag;
            });
    for (const int id : {IDC_CLOCK, IDC_COMPLETE})
        SkinControl(Control(id))
            ->SetDescriber(
                [this, id]
                {
                    // A status line whose name is its value.
                    SkinAccessibility counter;
                    counter.role = QAccessible::StaticText;
                    counter.name = CounterText(id);
                    counter.focusable = false;
                    counter.pressable = false;
                    return counter;
                });
    m_pResultsSummary->SetDescriber(
        [this]
        {
            SkinAccessibility summary;
            summary.role = QAccessible::EditableText;
            summary.name = QStringLiteral("Results");
            summary.text = ResultsSummary();
            summary.pressable = false;
            return summary;
        });
}

SkinAccessibility CQuilletDlg::DescribeQuestion() const
{
    SkinAccessibility question;
    question.role = QAccessible::EditableText;
    question.pressable = false;
    const CQuestion* current = GetCurrent();
    if (!current)
    {
        question.name = QStringLiteral("Question");
        return question;
    }
    question.name =
        QStringLiteral("Question %1 of %2").arg(current->GetNumber()).arg(m_pRun->GetQuestionCount());
    if (current->IsFlagged())
        question.name += QStringLiteral(", flagged");
    question.text = question.name + QStringLiteral(": ") + FromBytes(current->GetText()).simplified();
    return question;
}

SkinAccessibility CQuilletDlg::DescribeAnswer(int i) const
{
    SkinAccessibility answer;
    answer.role = QAccessible::RadioButton;
    answer.checkable = true;
    answer.name = AnswerText(i).simplified();
    const CQuestion* current = GetCurrent();
    if (!current)
        return answer;
    answer.checked = i == current->GetAnswer();
    if (m_nPage == PageReview)
    {
        // What the review's markers show.
        if (answer.checked)
            answer.name += i == current->GetCorrect() ? QStringLiteral(", your choice, right")
                                                      : QStringLiteral(", your choice, wrong");
        else if (i == current->GetCorrect())
            answer.name += QStringLiteral(", right answer");
    }
    return answer;
}

void CQuilletDlg::TellAccessible()
{
    // Not the clock: its value is read when asked for, not sent every second.
    for (const int id :
         {IDC_QUESTION, IDC_ANSWER_A, IDC_ANSWER_B, IDC_ANSWER_C, IDC_ANSWER_D, IDC_FLAG, IDC_COMPLETE})
        SkinControl(Control(id))->UpdateAccessible();
    if (m_nPage == PageResults)
        m_pResultsSummary->UpdateAccessible();
}
