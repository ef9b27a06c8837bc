#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "course/TestSession.h"
#include "records/StudentSession.h"
#include "skin/SkinButton.h"
#include "skin/SkinCatalogue.h"
#include "testwin/PageControls.h"
#include "testwin/PagePainter.h"
#include "testwin/PlayerPort.h"
#include "testwin/ResultsCommands.h"
#include "testwin/WindowAccessibility.h"
#include "testwin/WindowPrompts.h"

class CResultsView;
class QMenuBar;
class QTimer;

inline constexpr const char* kAboutItem = "&About Quillet..."; // string 101

// The test window: login, the question pages, the results and the review.
// Its TestSession decides the test and its StudentSession keeps the
// student's records; the window shows the page of the session's phase, asks
// what the session asks, and paints through CPagePainter.
class CQuilletDlg : public QDialog
{
    Q_OBJECT
  public:
    // The window on the records of `store`, telling and asking the student
    // through `prompts`; start-up chooses both.
    CQuilletDlg(std::unique_ptr<quillet::RecordStore> store, std::unique_ptr<CWindowPrompts> prompts,
                QWidget* parent = nullptr);
    ~CQuilletDlg() override;

    // Runs the window modally, initialising it first.
    int DoModal();
    // What the window does as it opens: caption, clock, login page. DoModal
    // calls it; tests may call it before show().
    void OnInitDialog();

    // Set before the window runs: the test (none when no bank was loaded),
    // the player, the print view to print with (else the window makes its
    // own) and the clock (else the system's).
    void SetRun(std::unique_ptr<quillet::TestRun> run);
    void SetPlayer(CPlayerPort* player) { m_pPlayer = player; }
    void SetPrintView(CResultsView* view) { m_commands.SetPrintView(view); }
    void SetClock(std::function<quillet::TimeStamp()> clock) { m_clock = std::move(clock); }

    int GetPage() const { return m_nPage; }
    quillet::TestRun* GetRun() const { return m_session.GetRun(); }
    CQuestion* GetCurrent() const { return m_session.GetCurrent(); }
    const quillet::StudentSession& GetStudent() const { return m_student; }
    // The control's widget by id.
    QWidget* Control(int id) const { return m_pControls->Control(id); }

    // Handlers, also called by the keyboard and by tests.
    void OnNext();
    void OnPrevious();
    void OnFlag();
    void OnLastFlagged() { Search(quillet::TestRun::Move::PreviousFlagged); }
    void OnNextFlagged() { Search(quillet::TestRun::Move::NextFlagged); }
    void OnNextUnanswered() { Search(quillet::TestRun::Move::NextUnanswered); }
    void OnLastUnanswered() { Search(quillet::TestRun::Move::PreviousUnanswered); }
    void OnHint();
    void SelectAnswer(int i);
    void OnLoginNext();
    void OnReview();
    void OnRetake();
    void OnExit();
    void OnPrint() { m_commands.Print(); }
    void OnEMail() { m_commands.EMail(); }
    void OnComparePrevious() { m_commands.ComparePrevious(); }
    void OnCompareNational() { m_commands.CompareNational(); }
    void OnPlayTopic();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    void OnClicked(int id);

    // Shows the page of the session's phase.
    void ShowPage();
    int PageOfPhase() const;
    void Redraw();
    // Shows the current question; the focus goes to it when asked, and
    // when the control that had it went.
    void RefreshQuestion(bool focusQuestion = true);
    void ShowControls();
    bool IsShownOnPage(int id) const;
    // Where the keyboard starts on the page: the login name, the question,
    // the results summary.
    QWidget* PageFocus() const;
    void FocusQuestion();
    void TellAccessible();

    void Search(quillet::TestRun::Move move);
    // Acts on what a walk did: shows the question it found, or asks.
    void FollowStep(quillet::TestSession::Step step, bool focusQuestion = true);
    void OnClockTick();
    void OnOK();
    void Advance();
    void Refuse();
    void EndWindow();
    void RecordPendingResult();
    void SaveJournal();
    quillet::TimeStamp Now() const { return m_clock(); }

    quillet::TestSession m_session;
    quillet::StudentSession m_student;
    std::function<quillet::TimeStamp()> m_clock;
    CPagePainter m_painter;
    std::unique_ptr<CWindowPrompts> m_pPrompts;
    CResultsCommands m_commands;
    CPlayerPort* m_pPlayer = nullptr;
    int m_nPage = PageStart;

    QMenuBar* m_pMenu;
    QWidget* m_pSurface;
    std::unique_ptr<CPageControls> m_pControls;
    std::unique_ptr<CWindowAccessibility> m_pAccessibility;
    QTimer* m_pClockTimer;
};
