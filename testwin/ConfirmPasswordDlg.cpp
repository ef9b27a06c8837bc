#include "testwin/ConfirmPasswordDlg.h"

CConfirmPasswordDlg::CConfirmPasswordDlg(QWidget* parent)
    : CSkinEditDlg(parent,
                   {"confirmPasswordBox", "confirmEdit", "Confirm Password", QRect(75, 50, 150, 30), true})
{
}
