#pragma once

#include <QPainter>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "course/TestSession.h"
#include "skin/SkinButton.h"

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

  private:
    void PaintResults(QPainter& painter) const;
    void DrawAnswer(QPainter& painter, const ::DrawItem& item) const;
    void DrawCounter(QPainter& painter, const ::DrawItem& item) const;
    // "Ann,\n     you made an" and "A", or nothing below the lowest grade.
    QString GradeSentence() const;

    const quillet::TestSession& m_session;
    Clock m_clock;
    std::string m_strStudent;
};
