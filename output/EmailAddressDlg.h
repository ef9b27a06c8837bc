#pragma once

#include <string>

#include "skin/SkinDialog.h"

class QLineEdit;

// Asks for the address the results go to.
class CEmailAddressDlg : public CSkinDialog
{
    Q_OBJECT
public:
    explicit CEmailAddressDlg(QWidget* parent = nullptr);

    CPalette* m_pPalette = nullptr;
    std::string m_strAddress;  // shown when opening; the typed text after OK

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void OnDrawItem(QPainter& painter, const DrawItem& item) override;
    void OnOK() override;

private:
    QLineEdit* m_pEdit;
};
