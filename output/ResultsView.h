#pragma once

#include <memory>
#include <string>

#include "output/ResultsDoc.h"

class QPainter;
class QPrinter;
class QString;
class QWidget;

// How a print job ended: printed, not begun for want of a printer (which
// tells nothing), or not started, with the sentence that tells the student.
struct PrintOutcome
{
    enum class Status
    {
        Printed,
        NoPrinter,
        NotStarted,
    };
    Status status = Status::Printed;
    std::string failure; // NotStarted: why, naming the file when printing to one
    std::string file;    // Printed into a PDF file the student chose: that file
};

// Prints the results report: a certificate of completion or a results
// page, one landscape Letter page per job, on the default printer or into
// the PDF file named by QUILLET_PRINT_PDF. It never opens a window.
class CResultsView
{
  public:
    CResultsView();
    virtual ~CResultsView();
    CResultsView(const CResultsView&) = delete;
    CResultsView& operator=(const CResultsView&) = delete;

    CResultsDoc* GetDocument() const { return m_pDocument.get(); }

    // One print job of what the document asks for: the certificate, or the
    // results page followed by the questions to review. `owner` takes no
    // input while it prints. It tells the student nothing: the window does.
    PrintOutcome OnFilePrint(QWidget* owner);
    // The same job into the PDF file `path`, named in the outcome.
    PrintOutcome PrintToPdf(QWidget* owner, const QString& path);

    // Sets up the printer; false when there is none to print on.
    virtual bool PreparePrinter(QPrinter& printer);
    // Draws the page on a painter opened on the printer.
    void OnDraw(QPainter& painter, const QPrinter& printer) const;

  private:
    PrintOutcome Print(QPrinter& printer, QWidget* owner);
    void DrawCertificate(QPainter& painter, double unitsToDevice) const;
    void DrawResultsPage(QPainter& painter, double unitsToDevice) const;
    // The questions not answered right, with the author's notes, on as many
    // pages as they take.
    void DrawReviewPages(QPainter& painter, QPrinter& printer, double unitsToDevice) const;

    std::unique_ptr<CResultsDoc> m_pDocument;
};

namespace quillet
{
// "1st", "2nd", "3rd", "4th", "11th", "21st" ...
std::string DayWithOrdinal(int day);
}
