#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "course/Course.h"
#include "records/ResultHistory.h"
#include "skin/SkinButton.h"
#include "skin/SkinKit.h"

class CQuilletApp;
class CMessageDlg;
namespace quillet::link
{
class CLinkServer;
}
class CResultsView;
class QLineEdit;
class QMenuBar;
class QTimer;

// Pages of the test window.
enum Page
{
    PageStart = -1,
    PageLogin = 0,
    PageEmpty = 1,
    PageTest = 2,
    PageQuiz = 3,
    PageReview = 4,
    PageResults = 5,
};

// Control ids of the test window.
enum ControlId
{
    IDC_NEXT = 1000,
    IDC_PREVIOUS,
    IDC_FLAG,
    IDC_LAST_FLAGGED,
    IDC_NEXT_FLAGGED,
    IDC_NEXT_UNANSWERED,
    IDC_LAST_UNANSWERED,
    IDC_EXIT,
    IDC_HINT,
    IDC_REVIEW,
    IDC_RETAKE,
    IDC_PRINT,
    IDC_EMAIL,
    IDC_COMPARE_PREVIOUS,
    IDC_COMPARE_NATIONAL,
    IDC_EXIT_RESULTS,
    IDC_ANSWER_A,
    IDC_ANSWER_B,
    IDC_ANSWER_C,
    IDC_ANSWER_D,
    IDC_LOGIN_NEXT,
    IDC_USER_NAME,
    IDC_PASSWORD,
    IDC_QUESTION,
    IDC_CLOCK,
    IDC_COMPLETE,
    IDC_PLAY_TOPIC,
    IDC_FIRST = IDC_NEXT,
    IDC_LAST = IDC_PLAY_TOPIC,
};

inline constexpr int kClockTimerId = 13046;

// The test window: login, the question pages, the results and the review.
// The surface is painted from one background per page; every button is
// drawn by OnDrawItem.
class CQuilletDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CQuilletDlg(QWidget* parent = nullptr);
    ~CQuilletDlg() override;

    // Runs the window modally, initialising it first.
    int DoModal();
    // What the window does as it opens: caption, clock, records, login page.
    // DoModal calls it; tests may call it before show().
    void OnInitDialog();

    // Set by start-up before the window runs.
    int m_nChapter = 0;
    CQuilletApp* m_pApp = nullptr;
    std::unique_ptr<CCourse> m_pCourse;  // the loaded bank (also holds a quiz's chapter)
    CChapter* m_pSourceChapter = nullptr;
    int m_bPreTest = 0;
    std::unique_ptr<CChapter> m_pQuiz;
    std::unique_ptr<CCourse> m_pTest;
    std::string m_strCourseTitle;

    // The clock the window reads; tests replace it.
    std::function<quillet::TimeStamp()> m_clock;

    int GetPage() const { return m_nPage; }
    CQuestion* GetCurrent() const { return m_pCurrent; }
    CStudentRoster* GetRoster() const { return m_pRoster.get(); }
    const std::string& GetUserName() const { return m_strUserName; }
    TestKind GetKind() const;
    // The caption the window carries for its test.
    QString Caption() const;

    // The control's widget by id.
    QWidget* Control(int id) const;

    // Handlers, also called by the keyboard and by tests.
    void OnNext();
    void OnPrevious();
    void OnFlag();
    void OnLastFlagged();
    void OnNextFlagged();
    void OnNextUnanswered();
    void OnLastUnanswered();
    void OnHint();
    void SelectAnswer(int i);
    void OnLoginNext();
    void OnReview();
    void OnRetake();
    void OnExit();
    void OnAbout();
    void OnPrint();
    void OnEMail();
    void OnComparePrevious();
    void OnCompareNational();
    void OnPlayTopic();

    // Correct answers and questions of the drawn test or quiz.
    struct Score
    {
        int right = 0;
        int total = 0;
    };
    Score CountScore() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    friend class CPageSurface;

    void UpdatePage();
    void Redraw();
    void RefreshQuestion();
    void ShowMessage();
    void OnTimer(int id);
    void OnOK();
    void OnPaint(QPainter& painter);
    void PaintResults(QPainter& painter);
    void OnDrawItem(QPainter& painter, const DrawItem& item);
    void DrawAnswer(QPainter& painter, const DrawItem& item);
    void DrawTextItem(QPainter& painter, const DrawItem& item);
    void ShowControls();
    bool IsShownOnPage(int id) const;

    using Query = CQuestion* (CCourse::*)();
    using ChapterQuery = CQuestion* (CChapter::*)();
    // Moves by the query; a search that finds nothing restores the
    // position. Answers whether it found a question.
    bool SearchWithRestore(ChapterQuery quizQuery, Query testQuery, bool restore = true);
    void RestorePosition();
    bool RunPrompt(const std::string& text);
    void GradingPrompt();
    bool ReturnPrompt(bool fromNext);
    void RecordPendingResult();
    void Refuse();
    void EndWindow();
    void ListenForPlayer();
    void Advance();
    quillet::TimeStamp Now() const;
    // The history of this run's test for the logged-in student.
    CResultHistory& History();
    CResultsView& PrintView();

    int m_nPage = PageStart;
    quillet::TimeStamp m_timeEnd = 0;
    std::string m_strMsgText;
    int m_nMsgStyle = 0;
    std::string m_strMsgFace = "Times New Roman";
    CMessageDlg* m_pMsgBox = nullptr;
    int m_nMsgHeight = 24;
    int m_nMsgFormat = 0;
    CPalette* m_pPalette = nullptr;
    std::string m_strPassword;
    CQuestion* m_pCurrent = nullptr;
    int m_bRetake = 0;
    int m_bResultPending = 0;
    quillet::TimeStamp m_timeStart = 0;
    std::unique_ptr<CStudentRoster> m_pRoster;
    std::string m_strUserName;

    // The position a search started from, for the restore.
    int m_nSavedQuizPosition = 0;
    int m_nSavedTestChapter = -1;
    int m_nSavedChapterPosition = 0;

    CResultHistory m_history;
    std::unique_ptr<CResultsView> m_pOwnPrintView;  // when no application object holds one
    QMenuBar* m_pMenu;
    QWidget* m_pSurface;
    std::array<QWidget*, IDC_LAST - IDC_FIRST + 1> m_controls{};
    QLineEdit* m_pUserEdit = nullptr;
    QLineEdit* m_pPasswordEdit = nullptr;
    QTimer* m_pClockTimer;
    // Where the player reaches this window, under its caption.
    quillet::link::CLinkServer* m_pLinkServer = nullptr;
};
