#include "tools/bank/BankTextFit.h"

#include "course/Question.h"
#include "course/TestRun.h"
#include "skin/SkinKit.h"
#include "skin/TextFit.h"

namespace quillet
{
namespace
{
// "" when it fits as it is.
std::string Problem(const std::string& what, const skin::TextBox& box, const QString& shown)
{
    const skin::TextFit fit = skin::FitText(box, shown);
    if (fit.overflow > 0)
        return what + " does not fit its box even in the smallest face: the student has to scroll it";
    if (fit.smaller)
        return what + " is set in a smaller face to fit its box";
    return {};
}
}

std::vector<std::string> TextFitProblems(const CQuestion& question)
{
    std::vector<std::string> problems;
    // Numbered as the last question of a Test, the widest number.
    if (std::string p = Problem("question text", skin::kQuestionBox,
                                skin::QuestionShown(kTestSize, skin::FromBytes(question.GetText())));
        !p.empty())
        problems.push_back(std::move(p));
    if (question.IsTrueFalse())
        return problems;
    // Any answer may be drawn as D, the widest letter.
    for (int i = 0; i < question.GetAnswerCount(); ++i)
        if (std::string p = Problem("answer " + std::to_string(i + 1), skin::kAnswerBox,
                                    skin::AnswerShown(CQuestion::kShownAnswers - 1,
                                                      skin::FromBytes(*question.GetAnswerText(i)), false));
            !p.empty())
            problems.push_back(std::move(p));
    return problems;
}
}
