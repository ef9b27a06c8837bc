// The login page of the test window: returning students give their
// password, new students confirm theirs and are added to the record file.
#include <QLineEdit>
#include <QListWidget>

#include "skin/MessageDlgs.h"
#include "testwin/ConfirmPasswordDlg.h"
#include "testwin/QuilletDlg.h"

using quillet::skin::ToBytes;

void CQuilletDlg::OnLoginNext()
{
    m_strUserName = ToBytes(m_pUserEdit->text());
    m_strPassword = ToBytes(m_pPasswordEdit->text());
    if (m_strUserName.empty())
    {
        Alert("No User Name", "Please enter your user name.");
        m_pUserEdit->setFocus();
        return;
    }

    // The file as it is now: another copy may have added students since.
    const bool readable = ReadRecords();
    if (m_pRoster && m_pRoster->FindStudent(m_strUserName) != -1)
    {
        if (m_pRoster->CheckPassword(m_strUserName, m_strPassword))
            Advance();
        else
            Refuse();
        return;
    }

    CConfirmPasswordDlg confirm(this);
    confirm.m_pPalette = m_pPalette;
    if (confirm.DoModal() != IDOK)
        return;
    if (confirm.m_strConfirm != m_strPassword)
    {
        Refuse();
        return;
    }
    bool taken = false;
    std::unique_ptr<CStudentRoster> written;
    const quillet::FileStatus saved = readable
                                          ? m_pRecordFile->Update(
                                                [&](CStudentRoster& roster) -> std::string
                                                {
                                                    taken = roster.FindStudent(m_strUserName) != -1;
                                                    if (taken)
                                                        return "taken";
                                                    return roster.AddStudent(m_strUserName, m_strPassword)
                                                               ? std::string()
                                                               : "the name cannot be stored";
                                                },
                                                &written)
                                          : quillet::FileStatus::Failed("unreadable");
    if (taken)
    {
        Alert("Name Taken", "That user name was just taken. Please choose another.");
        m_pUserEdit->setFocus();
        return;
    }
    if (saved)
        AdoptRoster(std::move(written));
    else
    {
        // Kept for this session; the first result saved brings the student in.
        if (readable)
            TellRecordProblem("You could not be added to the record file in " + m_pRecordFile->GetFolder() +
                              ": " + saved.reason +
                              ". You can take the test; your result is kept until it can be saved.");
        if (!m_pRoster)
            m_pRoster = std::make_unique<CStudentRoster>();
        m_pRoster->AddStudent(m_strUserName, m_strPassword);
    }
    Advance();
}

void CQuilletDlg::Advance()
{
    const std::optional<quillet::Journal> resumed = OfferJournal();
    UpdatePage();
    if (resumed && m_pRun)
    {
        // Where the student was, and the clock from the time already spent.
        m_pRun->GoTo(resumed->current);
        m_pRun->Start(Now() - resumed->elapsed);
        m_bJournalStarted = true;
        RefreshQuestion();
    }
    Redraw();
}

void CQuilletDlg::Refuse()
{
    Alert("Invalid Password", "Please Re-enter Password.");
    m_pPasswordEdit->setFocus();
    m_pPasswordEdit->clear();
    m_pPasswordEdit->update();
}

void CQuilletDlg::OnOK()
{
    QWidget* focus = focusWidget();
    if (focus == m_pUserEdit)
    {
        m_pPasswordEdit->setFocus();
        return;
    }
    if (focus == m_pPasswordEdit)
    {
        OnLoginNext();
        return;
    }
    // Enter on EXIT ends the window on every page, the review page too.
    if (focus == Control(IDC_EXIT) || focus == Control(IDC_EXIT_RESULTS))
    {
        EndWindow();
        return;
    }
    for (int id = IDC_FIRST; id <= IDC_LAST; ++id)
    {
        if (focus == Control(id))
            return;
    }
    if (focus == m_pResultsSummary || focus == m_pResultsList)
        return;
    EndWindow();
}
