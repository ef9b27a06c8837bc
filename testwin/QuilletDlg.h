#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "course/TestJournal.h"
#include "course/TestRun.h"
#include "records/RecordFile.h"
#include "records/ResultHistory.h"
#include "skin/SkinButton.h"
#include "skin/SkinCatalogue.h"
#include "skin/SkinKit.h"
#include "testwin/PlayerPort.h"

class CResultsDoc;
class CResultsView;
class QLineEdit;
class QListWidget;
class QMenuBar;
class QTimer;

inline constexpr int kClockTimerId = 13046;
inline constexpr const char* kAboutItem = "&About Quillet..."; // string 101

// The test window: login, the question pages, the results and the review.
// It shows a quillet::TestRun and hands the student's actions to it; the
// rules of the test live there. The surface is painted from one background
// per page; every button is drawn by OnDrawItem.
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

    // Set before the window runs: the test (none when no bank was loaded),
    // the player, and the print view to print with (else the window makes
    // its own).
    void SetRun(std::unique_ptr<quillet::TestRun> run) { m_pRun = std::move(run); }
    void SetPlayer(CPlayerPort* player) { m_pPlayer = player; }
    void SetPrintView(CResultsView* view) { m_pPrintView = view; }

    // The clock the window reads; tests replace it.
    std::function<quillet::TimeStamp()> m_clock;

    int GetPage() const { return m_nPage; }
    quillet::TestRun* GetRun() const { return m_pRun.get(); }
    CQuestion* GetCurrent() const { return m_pRun ? m_pRun->GetCurrent() : nullptr; }
    CStudentRoster* GetRoster() const { return m_pRoster.get(); }
    const std::string& GetUserName() const { return m_strUserName; }
    TestKind GetKind() const;
    // The caption the window carries for its test.
    QString Caption() const;

    // The control's widget by id.
    QWidget* Control(int id) const;

    // What a screen reader reads on the results page: the score in one
    // sentence, and a line for each question.
    QString ResultsSummary() const;
    QStringList ResultsLines() const;

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
    quillet::Score CountScore() const;

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
    // The clock's or the answered counter's text.
    QString CounterText(int id) const;
    QString AnswerText(int i) const;
    void ShowControls();
    bool IsShownOnPage(int id) const;
    // Where the keyboard starts on the page: the login name, the question,
    // the results summary.
    QWidget* PageFocus() const;
    void FocusQuestion();
    // Screen readers: how the owner-drawn controls read, and what changed.
    void DescribeControls();
    SkinAccessibility DescribeQuestion() const;
    SkinAccessibility DescribeAnswer(int i) const;
    void TellAccessible();

    // Walks the test and shows the question found; see TestRun::Go.
    bool SearchWithRestore(quillet::TestRun::Move move, bool restore = true);
    // An OK/Cancel question; its title is heard, not drawn (by default
    // its last line).
    bool RunPrompt(const std::string& text, const std::string& title = {});
    void GradingPrompt();
    bool ReturnPrompt(bool fromNext);
    void RecordPendingResult();
    // Writes the result into the record file, asking to try again while it
    // fails; a result that stays unsaved is kept pending.
    // Answers whether the result is safe on disk, saved or kept pending.
    bool SaveResult(const CResultEntry& result);
    // The journal of the test in progress, from the first answer on, so
    // that a test left by Escape, a crash or a power cut can be resumed.
    std::string JournalFolder() const;
    // At login: offers the student's unfinished test and puts it back when
    // accepted; answers its journal then.
    std::optional<quillet::Journal> OfferJournal();
    void SaveJournal();
    void RemoveJournal();
    // Reads the record file as it is now; tells the student, once, when it
    // cannot be used. False when it could not be read.
    bool ReadRecords();
    void TellRecordProblem(const std::string& text);
    // A roster that holds no student counts as none.
    void AdoptRoster(std::unique_ptr<CStudentRoster> roster);
    void Alert(const std::string& title, const std::string& message);
    // The page that shows the questions of this kind of test.
    int QuestionPage() const;
    void Refuse();
    void EndWindow();
    void Advance();
    quillet::TimeStamp Now() const;
    // The history of this run's test for the logged-in student.
    CResultHistory& History();
    CResultsView& PrintView();
    // The report of the latest result, for printing and e-mail.
    void FillReport(CResultsDoc& doc, CResultHistory& history, const CResultEntry& latest);

    int m_nPage = PageStart;
    std::unique_ptr<quillet::TestRun> m_pRun;
    CPlayerPort* m_pPlayer = nullptr;
    std::string m_strMsgText;
    std::string m_strMsgTitle; // heard, not drawn
    int m_nMsgStyle = 0;
    std::string m_strMsgFace = "Times New Roman";
    int m_nMsgHeight = 24;
    int m_nMsgFormat = 0;
    CPalette* m_pPalette = nullptr;
    std::string m_strPassword;
    int m_bRetake = 0; // where the results page leads: the new draw, else the review
    std::unique_ptr<CStudentRoster> m_pRoster;
    std::unique_ptr<quillet::CRecordFile> m_pRecordFile;
    bool m_bRecordProblemTold = false;
    std::string m_strJournalPath;
    bool m_bJournalStarted = false;
    bool m_bJournalProblemTold = false;
    int m_nTicksSinceJournal = 0;
    std::string m_strUserName;

    CResultHistory m_history;
    CResultsView* m_pPrintView = nullptr;
    std::unique_ptr<CResultsView> m_pOwnPrintView; // when none was handed in
    QMenuBar* m_pMenu;
    QWidget* m_pSurface;
    std::array<QWidget*, IDC_LAST - IDC_FIRST + 1> m_controls{};
    QLineEdit* m_pUserEdit = nullptr;
    QLineEdit* m_pPasswordEdit = nullptr;
    CSkinButton* m_pResultsSummary = nullptr;
    QListWidget* m_pResultsList = nullptr;
    QTimer* m_pClockTimer;
};
