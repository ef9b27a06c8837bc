#include "output/ResultsView.h"

#include "platform/Files.h"

#include <QApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>
#include <cmath>
#include <ctime>

#include "course/Grading.h"
#include "course/TestRun.h"
#include "output/ResultsText.h"
#include "skin/SkinKit.h"

using namespace quillet::skin;

namespace
{
constexpr int kCertificateBitmap = bitmap::kCertificate;
constexpr const char* kJobFailed = "Failed to start print job.";

// Page coordinates are hundredths of an inch from the top-left corner of
// the printable area, y growing upward (so every y on the page is negative),
// and rectangles are (left, top, right, bottom).
struct PageRect
{
    int left, top, right, bottom;
};

QRectF ToDevice(const PageRect& r, double scale)
{
    return QRectF(QPointF(r.left * scale, -r.top * scale), QPointF(r.right * scale, -r.bottom * scale));
}

// A font whose height is given in page units.
QFont PageFont(const char* face, int height, double scale, int weight = 400, bool italic = false)
{
    return MakeFont(face, static_cast<int>(std::lround(height * scale)), weight, italic);
}

void PageText(QPainter& painter, const PageRect& r, double scale, const QString& text, unsigned format)
{
    DrawText(painter, ToDevice(r, scale).toRect(), text, format);
}

// DT_SINGLELINE; with DT_RIGHT; with DT_VCENTER; centred both ways.
constexpr unsigned kLeft = DT_SINGLELINE;
constexpr unsigned kRight = DT_RIGHT | DT_SINGLELINE;
constexpr unsigned kMiddle = DT_VCENTER | DT_SINGLELINE;
constexpr unsigned kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

// The certificate's fields on the artwork.
constexpr PageRect kCertificateArt{25, -11, 1030, -800};
constexpr PageRect kCourseField{105, -420, 945, -480};
constexpr PageRect kNameField{105, -290, 945, -350};
constexpr PageRect kDayField{370, -485, 490, -545};
constexpr PageRect kMonthField{610, -485, 945, -545};
constexpr PageRect kScoreField{740, -580, 950, -700};

// The results page.
constexpr PageRect kOuterFrame{10, -45, 1050, -760};
constexpr PageRect kLeftBox{10, -224, 530, -760};
constexpr PageRect kRightBox{530, -224, 1050, -760};
constexpr PageRect kTitle{60, -95, 1000, -159};
constexpr PageRect kGradedAt{125, -184, 490, -685};
constexpr PageRect kFigures{107, -244, 472, -685};
constexpr PageRect kStudent{570, -184, 935, -685};
// The questions to review, in hundredths of an inch from the page's corner.
constexpr int kReviewLeft = 60, kReviewRight = 1040, kReviewTop = 50, kReviewBottom = 800, kReviewIndent = 30,
              kReviewGap = 18;
constexpr int kBreakdownLeft = 545, kBreakdownLabelRight = 900, kBreakdownValueLeft = 570,
              kBreakdownValueRight = 1005, kBreakdownTop = -244, kLineStep = 25, kAverageStep = 60;

QString Text(const std::string& bytes)
{
    return FromBytes(bytes);
}
}

namespace quillet
{
std::string DayWithOrdinal(int day)
{
    const char* suffix = "th";
    if (day == 1 || day == 21 || day == 31)
        suffix = "st";
    else if (day == 2 || day == 22)
        suffix = "nd";
    else if (day == 3 || day == 23)
        suffix = "rd";
    return std::to_string(day) + suffix;
}
}

CResultsView::CResultsView() : m_pDocument(std::make_unique<CResultsDoc>()) {}

CResultsView::~CResultsView() = default;

bool CResultsView::PreparePrinter(QPrinter& printer)
{
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Landscape, QMarginsF()));
    printer.setCopyCount(1);
    printer.setDocName(QString::fromStdString(m_pDocument->GetTitle()).left(31));
    if (const QByteArray pdf = qgetenv("QUILLET_PRINT_PDF"); !pdf.isEmpty())
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        // Every job its own file: a certificate and then the results page
        // must not overwrite each other, nor yesterday's print-out.
        printer.setOutputFileName(QString::fromLocal8Bit(quillet::ClaimUnusedName(pdf.toStdString())));
        return true;
    }
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return false;
    printer.setPrinterName(info.printerName());
    printer.setOutputFormat(QPrinter::NativeFormat);
    return true;
}

PrintOutcome CResultsView::OnFilePrint(QWidget* owner)
{
    if (!m_pDocument->m_pResult)
        return {};
    QPrinter printer(QPrinter::HighResolution);
    if (!PreparePrinter(printer))
        return {PrintOutcome::Status::NoPrinter, {}, {}};
    return Print(printer, owner);
}

PrintOutcome CResultsView::PrintToPdf(QWidget* owner, const QString& path)
{
    if (!m_pDocument->m_pResult)
        return {};
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    PrintOutcome printed = Print(printer, owner);
    if (printed.status == PrintOutcome::Status::Printed)
        printed.file = ToBytes(path);
    return printed;
}

PrintOutcome CResultsView::Print(QPrinter& printer, QWidget* owner)
{
    QPainter painter;
    // Disabled while it prints, the window loses the focus: it goes back
    // where it was, for the keyboard.
    const QPointer<QWidget> focus = QApplication::focusWidget();
    const auto enable = [&]
    {
        if (owner)
            owner->setEnabled(true);
        if (focus)
            focus->setFocus(Qt::OtherFocusReason);
    };
    if (owner)
        owner->setEnabled(false);
    if (!painter.begin(&printer))
    {
        enable();
        std::string text = kJobFailed;
        // Printing to a file fails on the file: name it.
        if (printer.outputFormat() == QPrinter::PdfFormat)
            text += " The file " + ToBytes(printer.outputFileName()) + " cannot be written.";
        return {PrintOutcome::Status::NotStarted, text, {}};
    }
    OnDraw(painter, printer);
    if (!m_pDocument->m_bCertificate)
        DrawReviewPages(painter, printer, printer.resolution() / 100.0);
    painter.end();
    enable();
    return {};
}

void CResultsView::OnDraw(QPainter& painter, const QPrinter& printer) const
{
    const double scale = printer.resolution() / 100.0;
    if (m_pDocument->m_bCertificate)
        DrawCertificate(painter, scale);
    else
        DrawResultsPage(painter, scale);
}

void CResultsView::DrawCertificate(QPainter& painter, double scale) const
{
    const CResultsDoc& doc = *m_pDocument;
    const CResultEntry& result = *doc.m_pResult;
    // The larger drawing whenever the page has more dots than the picture
    // has pixels: a printer has, nearly always.
    const QImage art = LoadSkinBitmap(kCertificateBitmap, ToDevice(kCertificateArt, scale).width() /
                                                              SizeOf(kCertificateBitmap).width);
    if (!art.isNull())
        painter.drawImage(ToDevice(kCertificateArt, scale), art);

    painter.setPen(Qt::black);
    painter.setFont(PageFont("Times New Roman", 32, scale, 700, true));
    PageText(painter, kCourseField, scale, Text(result.m_strTitle), kCentred);
    PageText(painter, kNameField, scale, doc.m_pStudentName ? Text(*doc.m_pStudentName) : QString(),
             kCentred);

    const std::time_t graded = static_cast<std::time_t>(result.m_timeGraded);
    std::tm local{};
    localtime_r(&graded, &local);
    PageText(painter, kDayField, scale, QString::fromStdString(quillet::DayWithOrdinal(local.tm_mday)),
             kCentred);
    PageText(painter, kMonthField, scale,
             QString::fromStdString(quillet::FormatLocalTime(result.m_timeGraded, "%B, %Y")), kMiddle);

    painter.setFont(PageFont("Times New Roman", 64, scale, 700, true));
    PageText(painter, kScoreField, scale,
             QStringLiteral("%1%").arg(quillet::Percent(result.m_nRight, result.m_nTotal)), kCentred);
}

void CResultsView::DrawResultsPage(QPainter& painter, double scale) const
{
    const CResultsDoc& doc = *m_pDocument;
    const CResultEntry& result = *doc.m_pResult;
    const QString kind = QString::fromLatin1(quillet::ResultKindWord(result));

    painter.setPen(QPen(Qt::black, 3 * scale));
    painter.setBrush(Qt::white);
    painter.drawRect(ToDevice(kOuterFrame, scale));
    painter.setPen(QPen(Qt::black, 2 * scale));
    painter.drawRect(ToDevice(kLeftBox, scale));
    painter.drawRect(ToDevice(kRightBox, scale));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Qt::black);

    const QFont normal = PageFont("Arial", 20, scale);
    painter.setFont(PageFont("Arial", 36, scale));
    const QString title = result.m_kind != TestKind::Quiz
                              ? QStringLiteral("%1 Results for %2").arg(kind, Text(result.m_strTitle))
                              : QStringLiteral("Quiz Results for %1: Chapter %2")
                                    .arg(Text(result.m_strTitle), QString::number(doc.m_nChapter));
    PageText(painter, kTitle, scale, title, kCentred);

    painter.setFont(normal);
    PageText(painter, kGradedAt, scale,
             QString::fromStdString(quillet::FormatLocalTime(result.m_timeGraded, "%m/%d/%Y  %I:%M %p")),
             kLeft);

    struct Line
    {
        QString label;
        QString value;
        int step;
    };
    const Line lines[] = {
        {QStringLiteral("%1 Duration:").arg(kind),
         QString::fromStdString(quillet::FormatSpan(result.m_spanTaken, "%H:%M:%S")), kLineStep},
        {QStringLiteral("Total Number of Questions:"), QString::number(result.m_nTotal), kLineStep},
        {QStringLiteral("Number of Correct Answers:"), QString::number(result.m_nRight), kLineStep},
        {QStringLiteral("This %1 taken:").arg(kind), QStringLiteral("%1 Times").arg(doc.m_nTimesTaken),
         kLineStep},
        {QStringLiteral("Average for this %1:").arg(kind), QStringLiteral("%1%").arg(doc.m_nAverage),
         kAverageStep},
    };
    PageRect row = kFigures;
    for (const Line& line : lines)
    {
        PageText(painter, row, scale, line.label, kLeft);
        PageText(painter, row, scale, line.value, kRight);
        row.top -= line.step;
    }
    PageText(painter, row, scale, QStringLiteral("Percent Correct:"), kLeft);
    painter.setFont(PageFont("Arial", 72, scale));
    PageText(painter, row, scale,
             QStringLiteral("%1%").arg(quillet::Percent(result.m_nRight, result.m_nTotal)), kRight);

    painter.setFont(normal);
    PageText(painter, kStudent, scale,
             QStringLiteral("Student: %1").arg(doc.m_pStudentName ? Text(*doc.m_pStudentName) : QString()),
             kRight);

    if (result.m_kind == TestKind::Quiz || !doc.m_pTest)
        return;
    int top = kBreakdownTop;
    const std::vector<quillet::SectionScore> sections = quillet::SectionScores(*doc.m_pTest);
    for (std::size_t k = 0; k < sections.size() && k < quillet::kMaxBreakdownSections; ++k)
    {
        const quillet::SectionScore& section = sections[k];
        PageText(painter, {kBreakdownLeft, top, kBreakdownLabelRight, -685}, scale,
                 QStringLiteral("Chapter %1: %2").arg(k + 1).arg(Text(section.name)), kLeft);
        PageText(painter, {kBreakdownValueLeft, top, kBreakdownValueRight, -685}, scale,
                 QStringLiteral("%1% (%2/%3)")
                     .arg(quillet::Percent(section.right, section.total))
                     .arg(section.right)
                     .arg(section.total),
                 kRight);
        top -= kLineStep;
    }
}

void CResultsView::DrawReviewPages(QPainter& painter, QPrinter& printer, double scale) const
{
    const std::vector<quillet::ReviewItem>& items = m_pDocument->m_review;
    if (items.empty())
        return;
    const int left = static_cast<int>(kReviewLeft * scale);
    const int width = static_cast<int>((kReviewRight - kReviewLeft) * scale);
    const int bottom = static_cast<int>(kReviewBottom * scale);
    int y = bottom; // past the end: the first item starts a page
    const auto write = [&](const QFont& font, const QString& text, int indent)
    {
        painter.setFont(font);
        const QRect area(left + static_cast<int>(indent * scale), y, width - static_cast<int>(indent * scale),
                         bottom);
        const QRect needed =
            painter.boundingRect(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
        DrawText(painter, area, text, DT_WORDBREAK);
        y += needed.height();
    };
    const QFont heading = PageFont("Arial", 30, scale);
    const QFont question = PageFont("Arial", 18, scale, 700);
    const QFont answer = PageFont("Arial", 16, scale);
    const QFont note = PageFont("Arial", 16, scale, 400, true);
    for (const quillet::ReviewItem& item : items)
    {
        // An item starts a new page when less than a sixth of one is left.
        if (y > bottom - static_cast<int>(kReviewBottom * scale / 6))
        {
            printer.newPage();
            y = static_cast<int>(kReviewTop * scale);
            write(heading, QStringLiteral("Questions to Review"), 0);
            y += static_cast<int>(kReviewGap * scale);
        }
        write(question, QStringLiteral("%1) %2").arg(item.number).arg(Text(item.question)), 0);
        write(answer,
              item.chosen.empty() ? QStringLiteral("Not answered")
                                  : QStringLiteral("Your answer: %1").arg(Text(item.chosen)),
              kReviewIndent);
        write(answer, QStringLiteral("Right answer: %1").arg(Text(item.right)), kReviewIndent);
        if (!item.notes.empty())
            write(note, Text(item.notes), kReviewIndent);
        y += static_cast<int>(kReviewGap * scale);
    }
}
