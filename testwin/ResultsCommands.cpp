// The results page's output commands: Compare Previous, Compare National,
// Print and E-Mail.
#include <QDesktopServices>
#include <QUrl>

#include "output/MailMessage.h"
#include "output/MailSender.h"
#include "output/ResultsView.h"
#include "output/Settings.h"
#include "skin/MessageDlgs.h"
#include "testwin/EmailAddressDlg.h"
#include "testwin/QuilletDlg.h"

CResultsView& CQuilletDlg::PrintView()
{
    if (m_pPrintView)
        return *m_pPrintView;
    if (!m_pOwnPrintView)
    {
        m_pOwnPrintView = std::make_unique<CResultsView>();
        m_pOwnPrintView->GetDocument()->SetTitle(m_pRun ? m_pRun->GetCourseTitle() : std::string());
    }
    return *m_pOwnPrintView;
}

void CQuilletDlg::FillReport(CResultsDoc& doc, CResultHistory& history, const CResultEntry& latest)
{
    doc.m_pStudentName = &m_strUserName;
    doc.m_pResult = &latest;
    doc.m_nTimesTaken = history.CountResults();
    doc.m_nAverage = history.AverageScore();
    if (m_pRun && m_pRun->GetDrawnTest())
        doc.m_pTest = m_pRun->GetDrawnTest();
    else if (m_pRun)
        doc.m_nChapter = m_pRun->GetChapter();
}

void CQuilletDlg::OnComparePrevious()
{
    if (!m_pRoster)
        return;
    m_strMsgFace = "Courier";
    m_nMsgHeight = 18;
    m_nMsgFormat = quillet::skin::DT_CENTER;
    m_nMsgStyle = 1;
    m_strMsgText = quillet::ComparePreviousText(History().GetPreviousResults());
    m_strMsgTitle = "Previous Results";
    ShowMessage();
}

void CQuilletDlg::OnCompareNational()
{
    // Only the final Test compares with the national average.
    if (!m_pRun || m_pRun->GetKind() != TestKind::Test)
        return;
    const CResultEntry* latest = History().FindLatestResult();
    if (!latest)
        return;
    const quillet::ResultsSettings settings = quillet::ReadResultsSettings();
    for (const std::string& problem : settings.problems)
        qWarning("quillet: %s; it is passed over", problem.c_str());
    const std::string address = quillet::NationalAverageAddress(*latest, settings.nationalAverageAddress);
    QDesktopServices::openUrl(QUrl::fromEncoded(QByteArray::fromStdString(address), QUrl::StrictMode));
}

void CQuilletDlg::OnPrint()
{
    CResultHistory& history = History();
    CResultEntry* latest = history.FindLatestResult();
    if (!latest)
        return;
    CResultsDoc& doc = *PrintView().GetDocument();
    doc.m_bCertificate = 0;
    if (quillet::Percent(latest->m_nRight, latest->m_nTotal) > 74 && m_pRun &&
        m_pRun->GetKind() == TestKind::Test)
    {
        if (RunPrompt("Congratulations!\nWould you like to print a\nCertificate of Completion?",
                      "Print a Certificate?"))
            doc.m_bCertificate = 1;
        else if (!RunPrompt("\nPrint Results?"))
            return;
    }
    FillReport(doc, history, *latest);
    PrintView().OnFilePrint(this);
    if (doc.m_bCertificate)
    {
        doc.m_bCertificate = 0;
        if (RunPrompt("\nPrint Results?"))
            PrintView().OnFilePrint(this);
    }
}

void CQuilletDlg::OnEMail()
{
    CResultHistory& history = History();
    CResultEntry* latest = history.FindLatestResult();
    if (!latest)
        return;
    CEmailAddressDlg prompt(this);
    prompt.m_pPalette = m_pPalette;
    if (prompt.DoModal() != IDOK || prompt.m_strAddress.empty())
        return;
    m_strMsgFace = "Arial";
    m_nMsgHeight = 18;
    m_nMsgFormat = quillet::skin::DT_CENTER | quillet::skin::DT_WORDBREAK;
    m_nMsgStyle = 0;
    m_strMsgTitle = "E-Mail";
    // sendmail -t would mail every address the field holds.
    if (!quillet::IsSingleAddress(prompt.m_strAddress))
    {
        m_strMsgText = quillet::kOneAddressPlease;
        ShowMessage();
        return;
    }
    CResultsDoc& doc = *PrintView().GetDocument();
    doc.m_strAddress = prompt.m_strAddress;
    FillReport(doc, history, *latest);
    if (quillet::SendResults(doc, this) == quillet::MailOutcome::Sent)
    {
        m_strMsgText = "Results sent to " + prompt.m_strAddress + ".";
        ShowMessage();
    }
}
