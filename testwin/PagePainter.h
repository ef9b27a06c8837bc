#pragma once

#include <QPainter>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <string>

#include "course/TestSession.h"
#include "skin/SkinButton.h"
#include "skin/TextFit.h"

// How the test window's pages look and read: the page backgrounds, the
// results page, every owner-drawn control, and the same texts as a screen
// reader hears them. It shows a TestSession and decides nothing.
class CPagePainter
{
  public:
    using Clock = std::function<quillet::TimeStamp()>;

    CPagePainter(const quillet::TestSession& session, Clock clock);

    // The student's name in the results page's grade sentence.
    void SetStudent(std::string name) { m_strStudent = std::move(name); }

    void PaintPage(QPainter& painter, int page) const;
    void DrawItem(QPainter& painter, const ::DrawItem& item) const;

    // The clock's or the answered counter's text.
    QString CounterText(int id) const;
    // The answer button's text: "B) 255", or "True"; empty when not shown.
    QString AnswerText(int i) const;
    // What a screen reader reads on the results page: the score in one
    // sentence, and a line for each question.
    QString ResultsSummary() const;
    QStringList ResultsLines() const;

    // The results page's grade sentence for the student and grade: "Ann,\n
    // you made an" (the letter is set apart), or nothing below the lowest
    // grade; and its face, smaller where the name would not fit its box.
    static QString GradeSentenceFor(const std::string& student, const quillet::Grade& grade);
    static QFont GradeSentenceFont(const QString& sentence);

    // The whole text of the question, an answer or the notes, as set in its box.
    QString TextOf(int id) const;
    // Scrolls the text of the control by whole lines, up when negative;
    // false when it does not scroll that way (it fits, or is at its end).
    bool ScrollText(int id, int lines);

  private:
    void PaintResults(QPainter& painter) const;
    void DrawAnswer(QPainter& painter, const ::DrawItem& item) const;
    void DrawCounter(QPainter& painter, const ::DrawItem& item) const;
    void DrawNotes(QPainter& painter, const ::DrawItem& item) const;
    // The control's text in `area`, smaller or scrolled when it does not fit.
    void DrawScrolling(QPainter& painter, int id, const QRect& area) const;
    static void DrawFocus(QPainter& painter, const QRect& frame);
    static const quillet::skin::TextBox& BoxOf(int id);
    int& ScrollOf(int id) const;
    // "Ann,\n     you made an" and "A", or nothing below the lowest grade.
    QString GradeSentence() const;

    const quillet::TestSession& m_session;
    Clock m_clock;
    std::string m_strStudent;
    // How far each text of the current question is scrolled; painting keeps
    // it within the text.
    mutable std::map<int, int> m_scrolled;
    mutable const CQuestion* m_pScrolledFor = nullptr;
};
