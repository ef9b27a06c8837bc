#pragma once

#include <memory>
#include <optional>
#include <string>

#include "course/TestSession.h"
#include "records/StudentSession.h"
#include "testwin/WindowPrompts.h"

inline constexpr const char* kNoPrinterQuestion =
    "There is no printer to print on.\nSave the print-out as a PDF file instead?";

class CResultsDoc;
class CResultsView;
struct PrintOutcome;
class QWidget;

// The results page's output commands: Compare Previous, Compare National,
// Print and E-Mail, all of the latest result of the student's test.
class CResultsCommands
{
  public:
    CResultsCommands(QWidget* window, const quillet::TestSession& session,
                     const quillet::StudentSession& student, const CWindowPrompts& prompts);
    ~CResultsCommands();
    CResultsCommands(const CResultsCommands&) = delete;
    CResultsCommands& operator=(const CResultsCommands&) = delete;

    // The print view to print with; else the commands make their own.
    void SetPrintView(CResultsView* view) { m_pPrintView = view; }

    void ComparePrevious();
    void CompareNational();
    void Print();
    void EMail();

  private:
    CResultsView& PrintView();
    // One print job; without a printer, offers a PDF file, asking first
    // unless `saveInstead` holds the answer already.
    void PrintJob(std::optional<bool>& saveInstead);
    // The print-out into a PDF file the student picks; nothing when the
    // student cancels.
    std::optional<PrintOutcome> SaveAsPdf();
    // Tells the student of a job that did not start, or of the PDF file saved.
    void TellPrinted(const PrintOutcome& printed) const;
    // The one address the student types; empty when cancelled.
    std::string AskAddress() const;
    // After a failed send: the results on the clipboard and, if the student
    // saves one, a PDF file to attach.
    void CopyResults(CResultsDoc& doc);
    // The report of the latest result, for printing and e-mail.
    void FillReport(CResultsDoc& doc, const CResultHistory& history, const CResultEntry& latest);

    QWidget* m_pWindow;
    const quillet::TestSession& m_session;
    const quillet::StudentSession& m_student;
    const CWindowPrompts& m_prompts;
    CResultsView* m_pPrintView = nullptr;
    std::unique_ptr<CResultsView> m_pOwnPrintView; // when none was handed in
};
