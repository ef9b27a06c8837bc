#pragma once

#include <string>

#include "skin/SkinDialog.h"

class QLineEdit;

// A new student types the password a second time.
class CConfirmPasswordDlg : public CSkinDialog
{
    Q_OBJECT
public:
    explicit CConfirmPasswordDlg(QWidget* parent = nullptr);

    std::string m_strConfirm;  // the typed text, after OK
    CPalette* m_pPalette = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void OnDrawItem(QPainter& painter, const DrawItem& item) override;
    void OnOK() override;

private:
    QLineEdit* m_pEdit;
};
