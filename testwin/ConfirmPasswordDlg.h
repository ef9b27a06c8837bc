#pragma once

#include <string>

#include "skin/EditDlg.h"

// A new student types the password a second time.
class CConfirmPasswordDlg : public CSkinEditDlg
{
    Q_OBJECT
  public:
    explicit CConfirmPasswordDlg(QWidget* parent = nullptr);

    std::string m_strConfirm; // the typed text, after OK

  protected:
    std::string& Text() override { return m_strConfirm; }
};
