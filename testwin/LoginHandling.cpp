// The login page of the test window: returning students give their
// password, new students confirm theirs and are added to the record file.
#include <QLineEdit>

#include "skin/MessageDlgs.h"
#include "testwin/ConfirmPasswordDlg.h"
#include "testwin/QuilletDlg.h"

using quillet::skin::ToBytes;

void CQuilletDlg::OnLoginNext()
{
    m_strUserName = ToBytes(m_pUserEdit->text());
    m_strPassword = ToBytes(m_pPasswordEdit->text());

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
    if (!m_pRoster)
        m_pRoster = std::make_unique<CStudentRoster>();
    m_pRoster->AddStudent(m_strUserName, m_strPassword);
    m_pRoster->WriteRoster(kRecordFileName);
    Advance();
}

void CQuilletDlg::Advance()
{
    UpdatePage();
    Redraw();
}

void CQuilletDlg::Refuse()
{
    CAlertDlg alert(this);
    alert.m_strTitle = "Invalid Password";
    alert.m_strMessage = "Please Re-enter Password.";
    alert.m_pPalette = m_pPalette;
    alert.DoModal();
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
    EndWindow();
}
