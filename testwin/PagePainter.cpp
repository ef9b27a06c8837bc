#include "testwin/PagePainter.h"

#include "skin/SkinKit.h"

using namespace quillet::skin;

namespace
{
constexpr QPoint kBackgroundAt(kBackgroundX, kBackgroundY);

// The results page.
constexpr int kRightMarker = bitmap::kResultRight;
constexpr int kWrongMarker = bitmap::kResultWrong;
using namespace quillet::skin::results;
const QRect kListTextRow = ToQRect(kListText); // moved down to each row

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
    const quillet::Grade grade = m_session.GetGrade();
    if (!*grade.letter)
        return {};
    return QStringLiteral("%1,\n     you made %2")
        .arg(FromBytes(m_strStudent), QString::fromLatin1(grade.article));
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
        DrawText(painter, ToQRect(kGradeSentence), sentence, DT_LEFT);
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
            DrawText(painter, item.rect.adjusted(15, 10, -15, -13),
                     QStringLiteral("%1) %2").arg(current->GetNumber()).arg(FromBytes(current->GetText())),
                     DT_WORDBREAK);
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
    // A true/false statement's answers are its two words, not lettered.
    if (current->IsTrueFalse())
        return FromBytes(*answer);
    return QStringLiteral("%1) %2")
        .arg(QChar(QLatin1Char(static_cast<char>('A' + i))))
        .arg(FromBytes(*answer));
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

        const QString text = AnswerText(i);
        const QRect textRect(QPoint(item.rect.left() + SizeOf(marker).width + 6, item.rect.top() + 3),
                             QPoint(item.rect.right() - 3, item.rect.bottom() - 3));
        if (!text.isEmpty())
            DrawText(painter, textRect, text, DT_WORDBREAK);
    }
    if (item.focused)
    {
        // A dotted focus rectangle, its left edge 2 pixels in and its bottom 1 up.
        painter.save();
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(item.rect.adjusted(2, 0, -1, -2));
        painter.restore();
    }
}
