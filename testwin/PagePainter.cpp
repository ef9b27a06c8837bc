#include "testwin/PagePainter.h"

#include <QFontMetrics>

#include "skin/SkinKit.h"

#include <algorithm>

using namespace quillet::skin;

namespace
{
constexpr QPoint kBackgroundAt(kBackgroundX, kBackgroundY);

// The results page.
constexpr int kRightMarker = bitmap::kResultRight;
constexpr int kWrongMarker = bitmap::kResultWrong;
using namespace quillet::skin::results;
const QRect kListTextRow = ToQRect(kListText); // moved down to each row
// The grade sentence's face, and the smallest it is made for a long name.
constexpr int kGradeSentenceHeight = 24;
constexpr int kGradeSentenceSmallest = 12;

// Question texts in the list are cut to 11 characters and "...", between
// characters, never inside one.
QString ListText(const std::string& bytes)
{
    QString text = FromBytes(bytes);
    if (text.size() <= 14)
        return text;
    int cut = 11;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QStringLiteral("...");
}

QString TimeTaken(const quillet::TestRun& run)
{
    return QString::fromStdString(quillet::FormatSpan(run.GetTimeTaken(), "%H:%M:%S"));
}

// Answer markers and the fills of the text items.
constexpr int kMarkerChosen = bitmap::kMarkerChosen;
constexpr int kMarkerNotChosen = bitmap::kMarkerNotChosen;
constexpr int kMarkerWrongChoice = bitmap::kMarkerWrongChoice;
constexpr int kMarkerRight = bitmap::kMarkerRight;
constexpr QColor kAnswerFill(255, 255, 153);
constexpr QColor kCounterFill(255, 255, 255);
constexpr QColor kNotesFill(255, 250, 230);
constexpr QColor kNotesEdge(184, 138, 46);
constexpr int kFlaggedPanel = bitmap::kFlaggedPanel;
constexpr int kPanel = bitmap::kQuestionPanel;
}

CPagePainter::CPagePainter(const quillet::TestSession& session, Clock clock)
    : m_session(session), m_clock(std::move(clock))
{
}

void CPagePainter::PaintPage(QPainter& painter, int page) const
{
    BlitBitmap(painter, BackgroundOf(page), kBackgroundAt);
    if (page == PageResults && m_session.GetRun())
        PaintResults(painter);
}

QString CPagePainter::GradeSentence() const
{
    return GradeSentenceFor(m_strStudent, m_session.GetGrade());
}

QString CPagePainter::GradeSentenceFor(const std::string& student, const quillet::Grade& grade)
{
    if (!*grade.letter)
        return {};
    return QStringLiteral("%1,\n     you made %2")
        .arg(FromBytes(student), QString::fromLatin1(grade.article));
}

QFont CPagePainter::GradeSentenceFont(const QString& sentence)
{
    // Smaller for a long name rather than cut; the lines never wrap.
    const QSize box = ToQRect(kGradeSentence).size();
    int height = kGradeSentenceHeight;
    QFont font = MakeFont("Times New Roman", height);
    while (height > kGradeSentenceSmallest &&
           !QRect(QPoint(), box).contains(QFontMetrics(font).boundingRect(QRect(QPoint(), box), 0, sentence)))
        font = MakeFont("Times New Roman", --height);
    return font;
}

void CPagePainter::PaintResults(QPainter& painter) const
{
    const QFont listFont = MakeFont("Courier", 14);
    const QFont labelFont = MakeFont("Times New Roman", 24);
    const QFont numberFont = MakeFont("Times New Roman", 45);
    const QFont bigFont = MakeFont("Times New Roman", 60);
    painter.setPen(Qt::black);

    // One row per question in test order: a right marker, or a wrong marker
    // with the start of the question.
    const quillet::TestRun& run = *m_session.GetRun();
    painter.setFont(listFont);
    int y = kListTop;
    for (const CQuestion* question : run.GetQuestions())
    {
        if (y >= kListBottom)
            break;
        if (question->IsNotCorrect())
        {
            BlitBitmap(painter, kWrongMarker, QPoint(kWrongMarkerX, y));
            DrawText(painter, kListTextRow.translated(0, y), ListText(question->GetText()),
                     DT_VCENTER | DT_SINGLELINE);
        }
        else
            BlitBitmap(painter, kRightMarker, QPoint(kRightMarkerX, y));
        y += kListStep;
    }

    const quillet::Score score = m_session.GetScore();
    painter.setFont(numberFont);
    DrawText(painter, ToQRect(kCorrectBox), QString::number(score.right),
             DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    DrawText(painter, ToQRect(kTotalBox), QString::number(score.total), DT_VCENTER | DT_SINGLELINE);
    painter.setFont(bigFont);
    DrawText(painter, ToQRect(kPercentBox), QString::number(m_session.GetPercent()),
             DT_RIGHT | DT_VCENTER | DT_SINGLELINE);

    painter.setFont(labelFont);
    TextOut(painter, QPoint(kCourseLineX, kCourseLineY), FromBytes(m_session.ResultsCourseLine()));
    TextOut(painter, QPoint(kHeadingX, kHeadingY),
            QStringLiteral("        ") + QString::fromStdString(m_session.ResultsHeading()));
    TextOut(painter, QPoint(kOutOfX, kOutOfY), QStringLiteral("out of"));
    TextOut(painter, QPoint(kTimeTakenX, kTimeTakenY), TimeTaken(run));

    painter.setPen(QColor(255, 0, 0));
    if (const QString sentence = GradeSentence(); !sentence.isEmpty())
    {
        painter.setFont(GradeSentenceFont(sentence));
        DrawText(painter, ToQRect(kGradeSentence), sentence, DT_LEFT);
    }
    painter.setFont(bigFont);
    TextOut(painter, QPoint(kGradeLetterX, kGradeLetterY), QString::fromLatin1(m_session.GetGrade().letter));
    painter.setPen(Qt::black);
}

QString CPagePainter::ResultsSummary() const
{
    const quillet::TestRun* run = m_session.GetRun();
    if (!run)
        return {};
    const quillet::Score score = m_session.GetScore();
    // The grade sentence as painted, on one line: "Ann, you made an A".
    const QString sentence = GradeSentence();
    const QString who = sentence.isEmpty() ? FromBytes(m_strStudent)
                                           : sentence.simplified() + QLatin1Char(' ') +
                                                 QString::fromLatin1(m_session.GetGrade().letter);
    return QStringLiteral("%1: %2 out of %3, %4 percent, time taken %5")
        .arg(who)
        .arg(score.right)
        .arg(score.total)
        .arg(m_session.GetPercent())
        .arg(TimeTaken(*run));
}

QStringList CPagePainter::ResultsLines() const
{
    QStringList lines;
    if (!m_session.GetRun())
        return lines;
    int number = 0;
    for (const CQuestion* question : m_session.GetRun()->GetQuestions())
    {
        ++number;
        lines << (question->IsNotCorrect() ? QStringLiteral("Question %1, wrong: %2")
                                                 .arg(number)
                                                 .arg(FromBytes(question->GetText()).simplified())
                                           : QStringLiteral("Question %1, right").arg(number));
    }
    return lines;
}

void CPagePainter::DrawItem(QPainter& painter, const ::DrawItem& item) const
{
    if (const ButtonFaces* faces = FacesOf(item.id))
    {
        BlitBitmap(painter, FaceFor(*faces, item.pressed, item.focused), QPoint());
        return;
    }

    painter.setFont(MakeFont("Arial", 18, 700));
    painter.setPen(Qt::black);
    const CQuestion* current = m_session.GetCurrent();
    switch (item.id)
    {
    case IDC_QUESTION:
        BlitBitmap(painter, current && current->IsFlagged() ? kFlaggedPanel : kPanel, QPoint());
        if (current)
            DrawScrolling(painter, IDC_QUESTION, QuestionTextArea(item.rect));
        if (item.focused)
            DrawFocus(painter, item.rect.adjusted(8, 5, -8, -8));
        return;
    case IDC_NOTES:
        DrawNotes(painter, item);
        return;
    case IDC_CLOCK:
    case IDC_COMPLETE:
        DrawCounter(painter, item);
        return;
    default:
        DrawAnswer(painter, item);
    }
}

QString CPagePainter::CounterText(int id) const
{
    const quillet::TestRun* run = m_session.GetRun();
    if (id == IDC_COMPLETE)
    {
        const int answered = run ? run->GetAnsweredCount() : 0;
        const int total = run ? run->GetQuestionCount() : 0;
        return QStringLiteral("Completed - %1/%2").arg(answered).arg(total);
    }
    return QString::fromStdString(
        quillet::FormatSpan(m_clock() - (run ? run->GetStartTime() : 0), "%H:%M:%S"));
}

void CPagePainter::DrawCounter(QPainter& painter, const ::DrawItem& item) const
{
    painter.fillRect(item.rect, kCounterFill);
    DrawText(painter, item.rect, CounterText(item.id), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

QString CPagePainter::AnswerText(int i) const
{
    const CQuestion* current = m_session.GetCurrent();
    if (!current || i >= m_session.AnswersShown())
        return {};
    const std::string* answer = current->GetAnswerText(i);
    if (!answer || answer->empty())
        return {};
    return AnswerShown(i, FromBytes(*answer), current->IsTrueFalse());
}

QString CPagePainter::TextOf(int id) const
{
    const CQuestion* current = m_session.GetCurrent();
    if (id == IDC_QUESTION)
        return current ? QuestionShown(current->GetNumber(), FromBytes(current->GetText())) : QString();
    if (id == IDC_NOTES)
        return FromBytes(m_session.ReviewNotes());
    return AnswerText(id - IDC_ANSWER_A);
}

const TextBox& CPagePainter::BoxOf(int id)
{
    return id == IDC_QUESTION ? kQuestionBox : id == IDC_NOTES ? kNotesBox : kAnswerBox;
}

int& CPagePainter::ScrollOf(int id) const
{
    // A text scrolled on one question starts at its top on the next.
    if (m_pScrolledFor != m_session.GetCurrent())
    {
        m_scrolled.clear();
        m_pScrolledFor = m_session.GetCurrent();
    }
    return m_scrolled[id];
}

bool CPagePainter::ScrollText(int id, int lines)
{
    if (id != IDC_QUESTION && id != IDC_NOTES && (id < IDC_ANSWER_A || id > IDC_ANSWER_D))
        return false;
    const TextFit fit = FitText(BoxOf(id), TextOf(id));
    int& scroll = ScrollOf(id);
    const int before = scroll;
    scroll = std::clamp(scroll + lines * fit.height, 0, fit.overflow);
    return scroll != before;
}

void CPagePainter::DrawScrolling(QPainter& painter, int id, const QRect& area) const
{
    const QString text = TextOf(id);
    if (text.isEmpty())
        return;
    const TextFit fit = FitText(BoxOf(id), text);
    int& scroll = ScrollOf(id);
    scroll = std::min(scroll, fit.overflow);
    DrawFitted(painter, area, BoxOf(id), fit, text, scroll);
}

void CPagePainter::DrawNotes(QPainter& painter, const ::DrawItem& item) const
{
    painter.fillRect(item.rect, kNotesFill);
    painter.setPen(kNotesEdge);
    painter.drawRect(item.rect.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::black);
    DrawScrolling(painter, IDC_NOTES, NotesTextArea(item.rect));
    if (item.focused)
        DrawFocus(painter, item.rect.adjusted(2, 1, -2, -2));
}

void CPagePainter::DrawAnswer(QPainter& painter, const ::DrawItem& item) const
{
    const int i = item.id - IDC_ANSWER_A;
    painter.fillRect(item.rect, kAnswerFill);
    const CQuestion* current = m_session.GetCurrent();
    if (current && i < m_session.AnswersShown())
    {
        int marker = kMarkerNotChosen;
        if (m_session.GetPhase() == quillet::TestSession::Phase::Review)
            marker = i == current->GetCorrect()  ? kMarkerRight
                     : i == current->GetAnswer() ? kMarkerWrongChoice
                                                 : kMarkerNotChosen;
        else if (i == current->GetAnswer())
            marker = kMarkerChosen;
        BlitBitmap(painter, marker, item.rect.topLeft() + QPoint(2, 0));

        DrawScrolling(painter, item.id, AnswerTextArea(item.rect));
    }
    // Its left edge 2 pixels in and its bottom 1 up.
    if (item.focused)
        DrawFocus(painter, item.rect.adjusted(2, 0, -1, -2));
}

void CPagePainter::DrawFocus(QPainter& painter, const QRect& frame)
{
    painter.save();
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame);
    painter.restore();
}
