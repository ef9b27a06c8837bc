#include "skin/EditDlg.h"

#include <QLineEdit>
#include <QPainter>

namespace
{
constexpr QSize kSize(300, 150);
constexpr int kCaptionHeight = 32;
}

CSkinEditDlg::CSkinEditDlg(QWidget* parent, const Layout& layout)
    : CSkinDialog(parent), m_caption(layout.caption),
      m_pEdit(layout.password ? new CPasswordEdit(this) : new QLineEdit(this))
{
    setObjectName(QString::fromLatin1(layout.objectName));
    setAccessibleName(QString::fromLatin1(m_caption));
    PlaceCentred(kSize);
    CSkinButton* previous = nullptr;
    for (const quillet::skin::DialogButtonSpec& spec : quillet::skin::kPromptButtons)
    {
        CSkinButton* button =
            AddButton(spec.id, QString::fromLatin1(spec.caption), quillet::skin::ToQRect(spec.rect));
        button->setObjectName(spec.id == IDOK ? QStringLiteral("okButton") : QStringLiteral("cancelButton"));
        if (previous)
            setTabOrder(previous, button);
        previous = button;
    }
    m_pEdit->setObjectName(QString::fromLatin1(layout.editName));
    m_pEdit->setAccessibleName(QString::fromLatin1(m_caption));
    m_pEdit->setGeometry(layout.editRect);
    // Tab order as laid out: OK, Cancel, then the edit.
    setTabOrder(previous, m_pEdit);
}

void CSkinEditDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintPromptSurface(painter, rect(), QString::fromLatin1(m_caption), kCaptionHeight);
}

void CSkinEditDlg::showEvent(QShowEvent* event)
{
    m_pEdit->setText(quillet::skin::FromBytes(Text()));
    CSkinDialog::showEvent(event);
    // The student can type at once.
    m_pEdit->setFocus();
}

void CSkinEditDlg::OnDrawItem(QPainter& painter, const DrawItem& item)
{
    DrawPromptButton(painter, item);
}

void CSkinEditDlg::OnOK()
{
    Text() = quillet::skin::ToBytes(m_pEdit->text());
    accept();
}
