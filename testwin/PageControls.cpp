#include "testwin/PageControls.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpressionValidator>
#include <QWheelEvent>
#include <algorithm>

#include "skin/SkinDialog.h"
#include "skin/SkinKit.h"

using namespace quillet::skin;

namespace
{
// Over what the results page paints: the score and grade, and the list of
// questions. Screen readers read them there; nothing is drawn for them.
constexpr QRect kResultsSummaryRect(452, 50, 163, 190);
constexpr QRect kResultsListRect(255, 68, 210, 360);

// The order Tab takes: on the login page, on the question pages (question,
// answers, then the buttons) and on the results page. The results summary
// and list come before its buttons.
constexpr int kTabOrder[] = {
    IDC_USER_NAME,
    IDC_PASSWORD,
    IDC_LOGIN_NEXT,
    IDC_QUESTION,
    IDC_ANSWER_A,
    IDC_ANSWER_B,
    IDC_ANSWER_C,
    IDC_ANSWER_D,
    IDC_NOTES,
    IDC_HINT,
    IDC_PLAY_TOPIC,
    IDC_NEXT,
    IDC_PREVIOUS,
    IDC_FLAG,
    IDC_LAST_FLAGGED,
    IDC_NEXT_FLAGGED,
    IDC_NEXT_UNANSWERED,
    IDC_LAST_UNANSWERED,
    IDC_EXIT,
    IDC_REVIEW,
    IDC_RETAKE,
    IDC_PRINT,
    IDC_EMAIL,
    IDC_COMPARE_PREVIOUS,
    IDC_COMPARE_NATIONAL,
    IDC_EXIT_RESULTS,
};

// The results list as a screen reader walks it, by Tab and the arrow keys.
// It paints nothing: the page paints the list.
class CResultsList : public QListWidget
{
  public:
    explicit CResultsList(QWidget* parent) : QListWidget(parent)
    {
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setAutoFillBackground(false);
        viewport()->setAutoFillBackground(false);
    }

  protected:
    void paintEvent(QPaintEvent*) override {}
};

// Scrolls a text that does not fit its box, by the wheel and, while it has
// the focus, by the arrow keys; what does not scroll goes on as before.
class CTextScroller : public QObject
{
  public:
    CTextScroller(QObject* parent, std::function<bool(int id, int lines)> scroll)
        : QObject(parent), m_scroll(std::move(scroll))
    {
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* control = qobject_cast<CSkinButton*>(watched);
        int lines = 0;
        if (event->type() == QEvent::Wheel)
        {
            const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
            lines = delta > 0 ? -std::max(1, delta / 120) : delta < 0 ? std::max(1, -delta / 120) : 0;
        }
        else if (event->type() == QEvent::KeyPress)
        {
            const int key = static_cast<QKeyEvent*>(event)->key();
            lines = key == Qt::Key_Up ? -1 : key == Qt::Key_Down ? 1 : 0;
        }
        if (!control || lines == 0 || !m_scroll(control->Id(), lines))
            return false;
        control->update();
        return true;
    }

  private:
    std::function<bool(int id, int lines)> m_scroll;
};

QLineEdit* MakeEdit(int id, const QString& caption, QWidget* surface)
{
    QLineEdit* edit = id == IDC_PASSWORD ? new CPasswordEdit(surface) : new QLineEdit(surface);
    edit->setAccessibleName(caption);
    // The record file keeps a name or password on one line.
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\\r\\n\\x{0}]*")), edit));
    return edit;
}
}

CPageControls::CPageControls(QWidget* surface, const CSkinButton::DrawRoutine& draw,
                             const std::function<void(int id)>& clicked)
{
    for (const ControlSpec& spec : kControls)
    {
        QWidget* control = nullptr;
        const QString caption = QString::fromLatin1(spec.caption);
        if (spec.id == IDC_USER_NAME || spec.id == IDC_PASSWORD)
        {
            QLineEdit* edit = MakeEdit(spec.id, caption, surface);
            (spec.id == IDC_PASSWORD ? m_pPasswordEdit : m_pUserEdit) = edit;
            control = edit;
        }
        else
        {
            auto* button = new CSkinButton(spec.id, caption, draw, surface);
            if (!spec.tabStop)
                button->setFocusPolicy(Qt::NoFocus);
            QObject::connect(button, &QAbstractButton::clicked, surface,
                             [clicked, id = spec.id] { clicked(id); });
            control = button;
        }
        control->setObjectName(QStringLiteral("control%1").arg(spec.id));
        control->setGeometry(ToQRect(spec.rect));
        control->hide();
        m_controls[static_cast<std::size_t>(spec.id - IDC_FIRST)] = control;
    }

    m_pResultsSummary = new CSkinButton(0, QStringLiteral("Results"), nullptr, surface);
    m_pResultsSummary->setObjectName(QStringLiteral("resultsSummary"));
    m_pResultsSummary->setGeometry(kResultsSummaryRect);
    m_pResultsSummary->hide();
    m_pResultsList = new CResultsList(surface);
    m_pResultsList->setObjectName(QStringLiteral("resultsList"));
    m_pResultsList->setAccessibleName(QStringLiteral("Questions"));
    m_pResultsList->setGeometry(kResultsListRect);
    m_pResultsList->hide();
}

QWidget* CPageControls::Control(int id) const
{
    if (id < IDC_FIRST || id > IDC_LAST)
        return nullptr;
    return m_controls[static_cast<std::size_t>(id - IDC_FIRST)];
}

bool CPageControls::Holds(const QWidget* widget) const
{
    return std::find(m_controls.begin(), m_controls.end(), widget) != m_controls.end() ||
           widget == m_pResultsSummary || widget == m_pResultsList;
}

void CPageControls::SetTabOrder() const
{
    QWidget* previous = nullptr;
    for (const int id : kTabOrder)
    {
        if (previous)
            QWidget::setTabOrder(previous, Control(id));
        previous = Control(id);
        if (id == IDC_EXIT)
        {
            QWidget::setTabOrder(previous, m_pResultsSummary);
            QWidget::setTabOrder(m_pResultsSummary, m_pResultsList);
            previous = m_pResultsList;
        }
    }
}

void CPageControls::Show(const std::function<bool(int id)>& shown, bool results, QWidget* focus) const
{
    for (int id = IDC_FIRST; id <= IDC_LAST; ++id)
        if (shown(id))
            Control(id)->show();
    m_pResultsSummary->setVisible(results);
    m_pResultsList->setVisible(results);
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
    for (int id = IDC_FIRST; id <= IDC_LAST; ++id)
        if (!shown(id))
            Control(id)->hide();
}

void CPageControls::ScrollWith(const std::function<bool(int id, int lines)>& scroll) const
{
    auto* scroller = new CTextScroller(Control(IDC_QUESTION), scroll);
    for (const int id : {IDC_QUESTION, IDC_ANSWER_A, IDC_ANSWER_B, IDC_ANSWER_C, IDC_ANSWER_D, IDC_NOTES})
        Control(id)->installEventFilter(scroller);
}

void CPageControls::UpdateAll() const
{
    for (QWidget* control : m_controls)
        control->update();
}
