#pragma once

#include <string>

#include "skin/SkinDialog.h"

class QLineEdit;

// A prompt-family dialog that asks for one line of text under a bold
// caption: OK hands the text back, Cancel and Escape do not.
class CSkinEditDlg : public CSkinDialog
{
    Q_OBJECT
  public:
  protected:
    struct Layout
    {
        const char* objectName;
        const char* editName;
        const char* caption;
        QRect editRect;
        bool password;
    };
    CSkinEditDlg(QWidget* parent, const Layout& layout);

    // The text the edit shows as the dialog opens, and where OK puts it.
    virtual std::string& Text() = 0;

    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void OnDrawItem(QPainter& painter, const DrawItem& item) override;
    void OnOK() override;

  private:
    const char* m_caption;
    QLineEdit* m_pEdit;
};
