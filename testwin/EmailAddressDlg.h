#pragma once

#include <string>

#include "skin/EditDlg.h"

// Asks for the address the results go to.
class CEmailAddressDlg : public CSkinEditDlg
{
    Q_OBJECT
  public:
    explicit CEmailAddressDlg(QWidget* parent = nullptr);

    std::string m_strAddress; // shown when opening; the typed text after OK

  protected:
    std::string& Text() override { return m_strAddress; }
};
