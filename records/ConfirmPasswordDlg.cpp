#include "records/ConfirmPasswordDlg.h"

#include <QLineEdit>
#include <QPainter>

namespace
{
constexpr QSize kSize(300, 150);
constexpr QRect kEditRect(75, 50, 150, 30);
constexpr const char* kCaption = "Confirm Password";
}

CConfirmPasswordDlg::CConfirmPasswordDlg(QWidget* parent) : CSkinDialog(parent), m_pEdit(new QLineEdit(this))
{
    setObjectName(QStringLiteral("confirmPasswordBox"));
    setAccessibleName(QString::fromLatin1(kCaption));
    PlaceCentred(kSize);
    for (const DialogButtonFaces& faces : kPromptButtons)
        AddButton(faces.id, QString::fromLatin1(faces.caption), faces.rect)
            ->setObjectName(faces.id == IDOK ? QStringLiteral("okButton") : QStringLiteral("cancelButton"));
    m_pEdit->setObjectName(QStringLiteral("confirmEdit"));
    m_pEdit->setAccessibleName(QString::fromLatin1(kCaption));
    m_pEdit->setEchoMode(QLineEdit::Password);
    m_pEdit->setGeometry(kEditRect);
    // Tab order follows the template: OK, Cancel, then the edit.
    setTabOrder(findChild<CSkinButton*>(QStringLiteral("okButton")), findChild<CSkinButton*>(QStringLiteral("cancelButton")));
    setTabOrder(findChild<CSkinButton*>(QStringLiteral("cancelButton")), m_pEdit);
}

void CConfirmPasswordDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintPromptSurface(painter, rect(), QString::fromLatin1(kCaption), 32);
}

void CConfirmPasswordDlg::showEvent(QShowEvent* event)
{
    CSkinDialog::showEvent(event);
    m_pEdit->setFocus();
}

void CConfirmPasswordDlg::OnDrawItem(QPainter& painter, const DrawItem& item)
{
    DrawPromptButton(painter, item);
}

void CConfirmPasswordDlg::OnOK()
{
    m_strConfirm = quillet::skin::ToBytes(m_pEdit->text());
    accept();
}
