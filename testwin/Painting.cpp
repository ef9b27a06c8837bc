// What the test window paints: the page backgrounds, the results page, and
// every owner-drawn control.
#include <QPainter>

#include "testwin/QuilletDlg.h"

using namespace quillet::skin;

namespace
{
constexpr QPoint kBackgroundAt(kBackgroundX, kBackgroundY);

// The results page.
constexpr int kRightMarker = bitmap::kResultRight;
constexpr int kWrongMarker = bitmap::kResultWrong;
using namespace quillet::skin::results;
const QRect kListTextRow = ToQRect(kListText); // moved down to each row

struct Grade
{
    const char* sentence; // with the student's name
    const char* letter;
};

Grade GradeFor(int percent)
{
    if (percent >= 100)
        return {"%1,\n     you made an", "A+"};
    if (percent >= 90)
        return {"%1,\n     you made an", "A"};
    if (percent >= 80)
        return {"%1,\n     you made a", "B"};
    if (percent >= 70)
        return {"%1,\n     you made a", "C"};
    return {"", ""};
}

int PercentOf(const quillet::Score& score)
{
    return score.total > 0 ? score.right * 100 / score.total : 0;
}

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

void CQuilletDlg::OnPaint(QPainter& painter)
{
    BlitBitmap(painter, BackgroundOf(m_nPage), kBackgroundAt);
    if (m_nPage == PageResults)
        PaintResults(painter);
}

void CQuilletDlg::PaintResults(QPainter& painter)
{
    const QFont listFont = MakeFont("Courier", 14);
    const QFont labelFont = MakeFont("Times New Roman", 24);
    const QFont numberFont = MakeFont("Times New Roman", 45);
    const QFont bigFont = MakeFont("Times New Roman", 60);
    painter.setPen(Qt::black);

    // One row per question in test order: a right marker, or a wrong marker
    // with the start of the question.
    const quillet::TestRun& run = *m_pRun;
    const std::vector<const CQuestion*> questions = run.GetQuestions();
    painter.setFont(listFont);
    int y = kListTop;
    for (const CQuestion* question : questions)
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

    const quillet::Score score = run.GetScore();
    const int percent = PercentOf(score);
    painter.setFont(numberFont);
    DrawText(painter, ToQRect(kCorrectBox), QString::number(score.right),
             DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    DrawText(painter, ToQRect(kTotalBox), QString::number(score.total), DT_VCENTER | DT_SINGLELINE);
    painter.setFont(bigFont);
    DrawText(painter, ToQRect(kPercentBox), QString::number(percent), DT_RIGHT | DT_VCENTER | DT_SINGLELINE);

    const QString title = FromBytes(run.GetCourseTitle());
    painter.setFont(labelFont);
    TextOut(painter, QPoint(kCourseLineX, kCourseLineY), run.IsQuiz() ? title + QLatin1Char(':') : title);
    const QString heading = run.IsQuiz() ? QStringLiteral("        Ch. %1 Quiz Results").arg(run.GetChapter())
                            : run.GetKind() == TestKind::PreTest ? QStringLiteral("        Pre-Test Results")
                                                                 : QStringLiteral("        Test Results");
    TextOut(painter, QPoint(kHeadingX, kHeadingY), heading);
    TextOut(painter, QPoint(kOutOfX, kOutOfY), QStringLiteral("out of"));
    TextOut(painter, QPoint(kTimeTakenX, kTimeTakenY),
            QString::fromStdString(quillet::FormatSpan(run.GetTimeTaken(), "%H:%M:%S")));

    const Grade grade = GradeFor(percent);
    painter.setPen(QColor(255, 0, 0));
    if (*grade.sentence)
        DrawText(painter, ToQRect(kGradeSentence),
                 QString::fromLatin1(grade.sentence).arg(FromBytes(m_strUserName)), DT_LEFT);
    painter.setFont(bigFont);
    TextOut(painter, QPoint(kGradeLetterX, kGradeLetterY), QString::fromLatin1(grade.letter));
    painter.setPen(Qt::black);
}

QString CQuilletDlg::ResultsSummary() const
{
    if (!m_pRun)
        return {};
    const quillet::Score score = m_pRun->GetScore();
    const int percent = PercentOf(score);
    const Grade grade = GradeFor(percent);
    const QString name = FromBytes(m_strUserName);
    // The grade sentence as painted, on one line: "Ann, you made an A".
    const QString who = *grade.sentence ? QString::fromLatin1(grade.sentence).arg(name).simplified() +
                                              QLatin1Char(' ') + QString::fromLatin1(grade.letter)
                                        : name;
    return QStringLiteral("%1: %2 out of %3, %4 percent, time taken %5")
        .arg(who)
        .arg(score.right)
        .arg(score.total)
        .arg(percent)
        .arg(QString::fromStdString(quillet::FormatSpan(m_pRun->GetTimeTaken(), "%H:%M:%S")));
}

QStringList CQuilletDlg::ResultsLines() const
{
    QStringList lines;
    if (!m_pRun)
        return lines;
    int number = 0;
    for (const CQuestion* question : m_pRun->GetQuestions())
    {
        ++number;
        lines << (question->IsNotCorrect() ? QStringLiteral("Question %1, wrong: %2")
                                                 .arg(number)
                                                 .arg(FromBytes(question->GetText()).simplified())
                                           : QStringLiteral("Question %1, right").arg(number));
    }
    return lines;
}

void CQuilletDlg::OnDrawItem(QPainter& painter, const DrawItem& item)
{
    if (const ButtonFaces* faces = FacesOf(item.id))
    {
        BlitBitmap(painter, FaceFor(*faces, item.pressed, item.focused), QPoint());
        return;
    }

    painter.setFont(MakeFont("Arial", 18, 700));
    painter.setPen(Qt::black);
    const CQuestion* current = GetCurrent();
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
        DrawTextItem(painter, item);
        return;
    default:
        DrawAnswer(painter, item);
    }
}

QString CQuilletDlg::CounterText(int id) const
{
    if (id == IDC_COMPLETE)
    {
        const int answered = m_pRun ? m_pRun->GetAnsweredCount() : 0;
        const int total = m_pRun ? m_pRun->GetQuestionCount() : 0;
        return QStringLiteral("Completed - %1/%2").arg(answered).arg(total);
    }
    return QString::fromStdString(
        quillet::FormatSpan(Now() - (m_pRun ? m_pRun->GetStartTime() : 0), "%H:%M:%S"));
}

void CQuilletDlg::DrawTextItem(QPainter& painter, const DrawItem& item)
{
    painter.fillRect(item.rect, kCounterFill);
    DrawText(painter, item.rect, CounterText(item.id), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

QString CQuilletDlg::AnswerText(int i) const
{
    const CQuestion* current = GetCurrent();
    if (!current || (current->IsTrueFalse() && i >= 2))
        return {};
    const std::string* answer = current->GetAnswerText(i);
    if (current->IsTrueFalse())
        return answer ? FromBytes(*answer) : QString();
    if (answer && !answer->empty())
        return QStringLiteral("%1) %2")
            .arg(QChar(QLatin1Char(static_cast<char>('A' + i))))
            .arg(FromBytes(*answer));
    return {};
}

void CQuilletDlg::DrawAnswer(QPainter& painter, const DrawItem& item)
{
    const int i = item.id - IDC_ANSWER_A;
    painter.fillRect(item.rect, kAnswerFill);
    const CQuestion* current = GetCurrent();
    if (current && !(current->IsTrueFalse() && i >= 2))
    {
        int marker = kMarkerNotChosen;
        if (m_nPage == PageReview)
            marker = i == current->GetCorrect()  ? kMarkerRight
                     : i == current->GetAnswer() ? kMarkerWrongChoice
                                                 : kMarkerNotChosen;
        else if (i == current->GetAnswer())
            marker = kMarkerChosen;
        const QImage picture = LoadSkinBitmap(marker);
        painter.drawImage(item.rect.topLeft() + QPoint(2, 0), picture);

        const QString text = AnswerText(i);
        const QRect textRect(QPoint(item.rect.left() + picture.width() + 6, item.rect.top() + 3),
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
