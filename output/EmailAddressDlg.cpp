#include "output/EmailAddressDlg.h"

#include <QLineEdit>
#include <QPainter>

namespace
{
constexpr QSize kSize(300, 150);
constexpr QRect kEditRect(50, 50, 200, 30);
constexpr const char* kCaption = "Enter Email Address";
}

CEmailAddressDlg::CEmailAddressDlg(QWidget* parent) : CSkinDialog(parent), m_pEdit(new QLineEdit(this))
{
    setObjectName(QStringLiteral("emailAddressBox"));
    setAccessibleName(QString::fromLatin1(kCaption));
    PlaceCentred(kSize);
    for (const DialogButtonFaces& faces : kPromptButtons)
        AddButton(faces.id, QString::fromLatin1(faces.caption), faces.rect)
            ->setObjectName(faces.id == IDOK ? QStringLiteral("okButton") : QStringLiteral("cancelButton"));
    m_pEdit->setObjectName(QStringLiteral("addressEdit"));
    m_pEdit->setAccessibleName(QString::fromLatin1(kCaption));
    m_pEdit->setGeometry(kEditRect);
    setTabOrder(findChild<CSkinButton*>(QStringLiteral("okButton")), findChild<CSkinButton*>(QStringLiteral("cancelButton")));
    setTabOrder(findChild<CSkinButton*>(QStringLiteral("cancelButton")), m_pEdit);
}

void CEmailAddressDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintPromptSurface(painter, rect(), QString::fromLatin1(kCaption), 32);
}

void CEmailAddressDlg::showEvent(QShowEvent* event)
{
    // The text exchange happens as the dialog opens.
    m_pEdit->setText(quillet::skin::FromBytes(m_strAddress));
    CSkinDialog::showEvent(event);
    m_pEdit->setFocus();
}

void CEmailAddressDlg::OnDrawItem(QPainter& painter, const DrawItem& item)
{
    DrawPromptButton(painter, item);
}

void CEmailAddressDlg::OnOK()
{
    m_strAddress = quillet::skin::ToBytes(m_pEdit->text());
    accept();
}
