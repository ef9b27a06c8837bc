#include "testwin/ResultsCommands.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QUrl>

#include "output/MailMessage.h"
#include "output/MailSender.h"
#include "output/ResultsText.h"
#include "output/ResultsView.h"
#include "output/Settings.h"
#include "skin/SkinKit.h"
#include "testwin/EmailAddressDlg.h"

using quillet::skin::FromBytes;

CResultsCommands::CResultsCommands(QWidget* window, const quillet::TestSession& session,
                                   const quillet::StudentSession& student, const CWindowPrompts& prompts)
    : m_pWindow(window), m_session(session), m_student(student), m_prompts(prompts)
{
}

CResultsCommands::~CResultsCommands() = default;

CResultsView& CResultsCommands::PrintView()
{
    if (m_pPrintView)
        return *m_pPrintView;
    if (!m_pOwnPrintView)
    {
        m_pOwnPrintView = std::make_unique<CResultsView>();
        const quillet::TestRun* run = m_session.GetRun();
        m_pOwnPrintView->GetDocument()->SetTitle(run ? run->GetCourseTitle() : std::string());
    }
    return *m_pOwnPrintView;
}

void CResultsCommands::FillReport(CResultsDoc& doc, const CResultHistory& history, const CResultEntry& latest)
{
    doc.m_pStudentName = &m_student.GetRecord()->m_strName;
    doc.m_pResult = &latest;
    doc.m_nTimesTaken = history.CountResults();
    doc.m_nAverage = history.AverageScore();
    const quillet::TestRun* run = m_session.GetRun();
    doc.m_pTest = run ? run->GetDrawnTest() : nullptr;
    doc.m_nChapter = run ? run->GetChapter() : 0;
    doc.m_review = m_session.ReviewItems();
}

void CResultsCommands::ComparePrevious()
{
    if (!m_student.GetRecord())
        return;
    m_prompts.Message(
        quillet::ComparePreviousText(m_student.History(m_session.GetRun()).GetPreviousResults()),
        "Previous Results", CWindowPrompts::kTable);
}

void CResultsCommands::CompareNational()
{
    if (!m_session.OffersCompareNational())
        return;
    const CResultEntry* latest = m_student.History(m_session.GetRun()).FindLatestResult();
    if (!latest)
        return;
    const quillet::ResultsSettings settings = quillet::ReadResultsSettings();
    for (const std::string& problem : settings.problems)
        qWarning("quillet: %s; it is passed over", problem.c_str());
    const std::string address = quillet::NationalAverageAddress(*latest, settings.nationalAverageAddress);
    const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(address), QUrl::StrictMode);
    if (address.empty() || !url.isValid() || !QDesktopServices::openUrl(url))
        m_prompts.Message(
            "The national-average page could not be opened: " + settings.nationalAverageAddress + ".",
            "Compare National", CWindowPrompts::kNotice);
}

void CResultsCommands::Print()
{
    const CResultHistory history = m_student.History(m_session.GetRun());
    const CResultEntry* latest = history.FindLatestResult();
    if (!latest)
        return;
    CResultsDoc& doc = *PrintView().GetDocument();
    doc.m_bCertificate = false;
    if (m_session.OffersCertificate())
    {
        if (m_prompts.Ask("Congratulations!\nWould you like to print a\nCertificate of Completion?",
                          "Print a Certificate?"))
            doc.m_bCertificate = true;
        else if (!m_prompts.Ask("\nPrint Results?"))
            return;
    }
    FillReport(doc, history, *latest);
    // Without a printer the student is asked once, for both jobs, whether
    // to save them as PDF files instead.
    std::optional<bool> saveInstead;
    PrintJob(saveInstead);
    if (doc.m_bCertificate)
    {
        doc.m_bCertificate = false;
        if (m_prompts.Ask("\nPrint Results?"))
            PrintJob(saveInstead);
    }
}

void CResultsCommands::PrintJob(std::optional<bool>& saveInstead)
{
    const PrintOutcome printed = PrintView().OnFilePrint(m_pWindow);
    if (printed.status != PrintOutcome::Status::NoPrinter)
        return TellPrinted(printed);
    if (!saveInstead)
        saveInstead = m_prompts.Ask(kNoPrinterQuestion, "No Printer", true);
    if (!*saveInstead)
        return;
    if (const std::optional<PrintOutcome> saved = SaveAsPdf())
        TellPrinted(*saved);
}

std::optional<PrintOutcome> CResultsCommands::SaveAsPdf()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    QFileDialog dialog(m_pWindow, QStringLiteral("Save the Print-Out as PDF"));
    dialog.setObjectName(QStringLiteral("pdfFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("PDF files (*.pdf)"));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.setDirectory(folder);
    dialog.selectFile(FromBytes(PrintView().GetDocument()->PrintFileName()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return PrintView().PrintToPdf(m_pWindow, dialog.selectedFiles().constFirst());
}

void CResultsCommands::TellPrinted(const PrintOutcome& printed) const
{
    if (printed.status == PrintOutcome::Status::NotStarted)
        m_prompts.Message(printed.failure, "Print", CWindowPrompts::kNotice);
    else if (!printed.file.empty())
        m_prompts.Message(quillet::PdfSavedText(printed.file), "Print", CWindowPrompts::kNotice);
}

std::string CResultsCommands::AskAddress() const
{
    std::string typed;
    for (;;)
    {
        // A fresh box each time, holding what was typed: a refused address
        // is mended, not typed again.
        CEmailAddressDlg prompt(m_pWindow);
        prompt.m_strAddress = typed;
        if (prompt.DoModal() != IDOK || prompt.m_strAddress.empty())
            return {};
        typed = prompt.m_strAddress;
        // sendmail -t would mail every address the field holds.
        if (quillet::IsSingleAddress(typed))
            return typed;
        m_prompts.Message(quillet::kOneAddressPlease, "E-Mail", CWindowPrompts::kNotice);
    }
}

void CResultsCommands::EMail()
{
    const CResultHistory history = m_student.History(m_session.GetRun());
    const CResultEntry* latest = history.FindLatestResult();
    if (!latest)
        return;
    const std::string address = AskAddress();
    if (address.empty())
        return;
    CResultsDoc& doc = *PrintView().GetDocument();
    doc.m_strAddress = address;
    doc.m_bCertificate = false;
    FillReport(doc, history, *latest);
    const quillet::MailReport report = quillet::ReportMail(quillet::SendResults(doc, m_pWindow), address);
    if (!report.text.empty())
        m_prompts.Message(report.text, "E-Mail", CWindowPrompts::kNotice);
    if (report.offersCopy && m_prompts.Ask(quillet::kMailCopyQuestion, "E-Mail", true))
        CopyResults(doc);
}

void CResultsCommands::CopyResults(CResultsDoc& doc)
{
    std::string subject;
    std::string body;
    doc.ComposeResultsText(subject, body);
    QGuiApplication::clipboard()->setText(FromBytes(quillet::MailCopyText(doc.m_strAddress, subject, body)));
    const std::optional<PrintOutcome> saved = SaveAsPdf();
    if (saved && saved->status == PrintOutcome::Status::NotStarted)
        TellPrinted(*saved);
    m_prompts.Message(quillet::MailCopiedText(doc.m_strAddress, saved ? saved->file : std::string()),
                      "E-Mail", CWindowPrompts::kNotice);
}
