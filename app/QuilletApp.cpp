#include "app/QuilletApp.h"

#include "app/CommandLine.h"
#include "testwin/QuilletDlg.h"

int CQuilletApp::InitInstance(const std::vector<std::string>& arguments)
{
    m_strPlayerTitle.clear();
    m_bPlayerHidden = 0;
    CRandom::SeedGlobalFromClock();

    CQuilletDlg window;
    window.m_pApp = this;
    quillet::PreparedTest prepared = quillet::PrepareTest(quillet::JoinArguments(arguments));
    if (prepared.HasCourse())
    {
        window.m_strCourseTitle = prepared.courseTitle;
        window.m_pCourse = std::move(prepared.course);
        window.m_pTest = std::move(prepared.test);
        window.m_bPreTest = prepared.preTest ? 1 : 0;
        window.m_pSourceChapter = prepared.sourceChapter;
        window.m_pQuiz = std::move(prepared.quiz);
        window.m_nChapter = prepared.chapter;
    }
    window.DoModal();
    return 0;
}
