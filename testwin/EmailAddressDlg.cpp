#include "testwin/EmailAddressDlg.h"

CEmailAddressDlg::CEmailAddressDlg(QWidget* parent)
    : CSkinEditDlg(parent,
                   {"emailAddressBox", "addressEdit", "Enter Email Address", QRect(50, 50, 200, 30), false})
{
}
