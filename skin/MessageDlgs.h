#pragma once

#include <QString>
#include <string>
#include <vector>

#include "skin/SkinDialog.h"

// A message box that is one big button: a click anywhere, Enter or Space
// closes it with IDOK, Escape with IDCANCEL.
class CMessageDlg : public CSkinDialog
{
    Q_OBJECT
  public:
    explicit CMessageDlg(QWidget* parent = nullptr);

    std::string m_strText;
    std::string m_strTitle = "Message"; // heard, not drawn
    int m_nHeight = 24;
    unsigned m_nFormat = 0; // DrawText flags of the message
    std::string m_strFace;
    int m_nBackground = 1; // 1: tile 194, 2: tile 196, else tile 135

  protected:
    QString SpokenTitle() const override { return SpokenLine(m_strTitle); }
    QString SpokenMessage() const override { return SpokenLine(m_strText); }
    void OnDrawItem(QPainter& painter, const DrawItem& item) override;
};

// A message box with a large title and a smaller line above the hint.
class CAlertDlg : public CSkinDialog
{
    Q_OBJECT
  public:
    explicit CAlertDlg(QWidget* parent = nullptr);

    std::string m_strMessage;
    std::string m_strTitle;

  protected:
    QString SpokenTitle() const override { return SpokenLine(m_strTitle); }
    QString SpokenMessage() const override { return SpokenLine(m_strMessage); }
    void OnDrawItem(QPainter& painter, const DrawItem& item) override;
};

// An OK/Cancel question; the text may hold line breaks.
class CPromptDlg : public CSkinDialog
{
    Q_OBJECT
  public:
    explicit CPromptDlg(QWidget* parent = nullptr);

    std::string m_strText;
    // A question longer than the usual two lines is set smaller and wrapped.
    int m_nFontHeight = 26;
    bool m_bWrap = false;
    // Heard, not drawn; by default the question's last line.
    std::string m_strTitle;

  protected:
    QString SpokenTitle() const override;
    QString SpokenMessage() const override { return SpokenLine(m_strText); }
    void paintEvent(QPaintEvent* event) override;
    void OnDrawItem(QPainter& painter, const DrawItem& item) override;
};

// The prompt's surface with Cancel alone, shown while something outside
// the program runs; Cancel and Escape end it with IDCANCEL, the owner ends
// it with done() when the work is over. Enter is Cancel only on Cancel.
class CBusyDlg : public CSkinDialog
{
    Q_OBJECT
  public:
    explicit CBusyDlg(QWidget* parent = nullptr);

    std::string m_strText;

  protected:
    QString SpokenTitle() const override { return SpokenLine(m_strText); }
    void OnOK() override {}
    void paintEvent(QPaintEvent* event) override;
    void OnDrawItem(QPainter& painter, const DrawItem& item) override;
};

// The About picture; a click anywhere closes it.
class CAboutDlg : public CSkinDialog
{
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);

  protected:
    QString SpokenMessage() const override;
    void OnDrawItem(QPainter& painter, const DrawItem& item) override;
};

// The window's keys, one row a key: what it does and on which pages. Like
// the message box it is one big button: a click anywhere, Enter or Space
// closes it with IDOK, Escape with IDCANCEL. It is as large as the page
// it opens over, no larger.
class CKeysDlg : public CSkinDialog
{
    Q_OBJECT
  public:
    struct Row
    {
        QString keys;
        QString what;
    };

    explicit CKeysDlg(QWidget* parent = nullptr);

    std::vector<Row> m_rows;

  protected:
    QString SpokenMessage() const override;
    void OnDrawItem(QPainter& painter, const DrawItem& item) override;
};
