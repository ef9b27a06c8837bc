#include "records/AnswerGrid.h"

namespace quillet
{
void AnswerGrid::Add(const ResponseRecord& record)
{
    if (m_tooLarge || !m_filter.Admits(record.kind, record.course, record.graded) || record.responses.empty())
        return;
    m_students.insert(record.student);
    for (const Response& response : record.responses)
        m_questions.emplace(response.chapter, response.question);
    if (static_cast<long long>(m_students.size()) * static_cast<long long>(m_questions.size()) > kMostCells)
    {
        m_tooLarge = true;
        m_students.clear();
        m_questions.clear();
        m_cells.clear();
        return;
    }
    for (const Response& response : record.responses)
    {
        Cell& cell = m_cells[{record.student, {response.chapter, response.question}}];
        ++cell.asked;
        cell.right += response.right ? 1 : 0;
        // Records come in the order they were saved, which a merge of files may not keep.
        if (cell.asked > 1 && record.graded < cell.lastGraded)
            continue;
        cell.last = response.right ? Outcome::Right : response.answer < 0 ? Outcome::None : Outcome::Wrong;
        cell.lastAnswer = response.answer;
        cell.lastAnswerKey = response.answerKey;
        cell.lastGraded = record.graded;
    }
}

const AnswerGrid::Cell* AnswerGrid::At(const std::string& student, const std::string& chapter,
                                       const std::string& question) const
{
    const auto found = m_cells.find({student, {chapter, question}});
    return found == m_cells.end() ? nullptr : &found->second;
}
}
