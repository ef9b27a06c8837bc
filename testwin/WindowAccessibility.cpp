#include "testwin/WindowAccessibility.h"

#include "skin/SkinCatalogue.h"
#include "skin/SkinKit.h"

using quillet::skin::FromBytes;

CWindowAccessibility::CWindowAccessibility(const quillet::TestSession& session, const CPagePainter& painter,
                                           ControlById control, CSkinButton* resultsSummary)
    : m_session(session), m_painter(painter), m_control(std::move(control)), m_pResultsSummary(resultsSummary)
{
}

void CWindowAccessibility::DescribeControls()
{
    const auto skin = [this](int id) { return qobject_cast<CSkinButton*>(m_control(id)); };
    CSkinButton* question = skin(IDC_QUESTION);
    // The question takes the focus on every page that shows it, so that it
    // is read first; Tab comes back to it.
    question->setFocusPolicy(Qt::StrongFocus);
    question->SetDescriber([this] { return DescribeQuestion(); });
    for (int i = 0; i < 4; ++i)
        skin(IDC_ANSWER_A + i)->SetDescriber([this, i] { return DescribeAnswer(i); });
    skin(IDC_NOTES)->SetDescriber([this] { return DescribeNotes(); });
    skin(IDC_FLAG)->SetDescriber(
        [this]
        {
            SkinAccessibility flag;
            flag.name = QStringLiteral("Flag");
            flag.checkable = true;
            flag.checked = m_session.GetCurrent() && m_session.GetCurrent()->IsFlagged();
            return flag;
        });
    for (const int id : {IDC_CLOCK, IDC_COMPLETE})
        skin(id)->SetDescriber(
            [this, id]
            {
                // A status line whose name is its value.
                SkinAccessibility counter;
                counter.role = QAccessible::StaticText;
                counter.name = m_painter.CounterText(id);
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
            summary.text = m_painter.ResultsSummary();
            summary.pressable = false;
            return summary;
        });
}

SkinAccessibility CWindowAccessibility::DescribeQuestion() const
{
    SkinAccessibility question;
    question.role = QAccessible::EditableText;
    question.pressable = false;
    const CQuestion* current = m_session.GetCurrent();
    if (!current)
    {
        question.name = QStringLiteral("Question");
        return question;
    }
    question.name = QStringLiteral("Question %1 of %2")
                        .arg(current->GetNumber())
                        .arg(m_session.GetRun()->GetQuestionCount());
    if (current->IsFlagged())
        question.name += QStringLiteral(", flagged");
    question.text = question.name + QStringLiteral(": ") + FromBytes(current->GetText()).simplified();
    return question;
}

SkinAccessibility CWindowAccessibility::DescribeAnswer(int i) const
{
    SkinAccessibility answer;
    answer.role = QAccessible::RadioButton;
    answer.checkable = true;
    answer.name = m_painter.AnswerText(i).simplified();
    const CQuestion* current = m_session.GetCurrent();
    if (!current)
        return answer;
    answer.checked = i == current->GetAnswer();
    if (m_session.GetPhase() == quillet::TestSession::Phase::Review)
    {
        // What the review's markers show.
        if (answer.checked)
            answer.name += i == current->GetCorrect() ? QStringLiteral(", your choice, right")
                                                      : QStringLiteral(", your choice, wrong");
        else if (i == current->GetCorrect())
            answer.name += QStringLiteral(", right answer");
        // The author's note is heard with the answer it explains.
        if (const std::string note = m_session.AnswerNote(i); !note.empty())
            answer.name += QStringLiteral(". Note: ") + FromBytes(note).simplified();
    }
    return answer;
}

SkinAccessibility CWindowAccessibility::DescribeNotes() const
{
    // Read whole, as the question is, however far the box is scrolled.
    SkinAccessibility notes;
    notes.role = QAccessible::EditableText;
    notes.pressable = false;
    notes.name = QStringLiteral("Notes");
    notes.text = m_painter.TextOf(IDC_NOTES);
    return notes;
}

void CWindowAccessibility::TellChanges(bool resultsShown)
{
    // Not the clock: its value is read when asked for, not sent every second.
    for (const int id : {IDC_QUESTION, IDC_ANSWER_A, IDC_ANSWER_B, IDC_ANSWER_C, IDC_ANSWER_D, IDC_NOTES,
                         IDC_FLAG, IDC_COMPLETE})
        qobject_cast<CSkinButton*>(m_control(id))->UpdateAccessible();
    if (resultsShown)
        m_pResultsSummary->UpdateAccessible();
}
