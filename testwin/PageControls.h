#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "skin/SkinButton.h"
#include "skin/SkinCatalogue.h"

class QLineEdit;
class QListWidget;

// The controls on the test window's surface, as the layout places them:
// every button, the login's edits, the question and its answers, and over the
// results page the summary and the list that only screen readers read.
// Which of them a page shows is the window's to say.
class CPageControls
{
  public:
    // `draw` paints the owner-drawn controls; `clicked` gets a button's id.
    CPageControls(QWidget* surface, const CSkinButton::DrawRoutine& draw,
                  const std::function<void(int id)>& clicked);

    QWidget* Control(int id) const;
    QLineEdit* UserEdit() const { return m_pUserEdit; }
    QLineEdit* PasswordEdit() const { return m_pPasswordEdit; }
    CSkinButton* ResultsSummary() const { return m_pResultsSummary; }
    QListWidget* ResultsList() const { return m_pResultsList; }
    // Whether the widget is one of them.
    bool Holds(const QWidget* widget) const;

    // The order Tab takes through them, as they stand on the screen.
    void SetTabOrder() const;
    // Shows the controls `shown` picks, gives `focus` the focus, then hides
    // the rest, so that the focus moves once, straight to where a page starts.
    void Show(const std::function<bool(int id)>& shown, bool results, QWidget* focus) const;
    void UpdateAll() const;
    // Wheel and arrow keys over the question, the answers and the notes
    // scroll their texts by `scroll`, which answers whether they moved.
    void ScrollWith(const std::function<bool(int id, int lines)>& scroll) const;

  private:
    std::array<QWidget*, IDC_LAST - IDC_FIRST + 1> m_controls{};
    QLineEdit* m_pUserEdit = nullptr;
    QLineEdit* m_pPasswordEdit = nullptr;
    CSkinButton* m_pResultsSummary = nullptr;
    QListWidget* m_pResultsList = nullptr;
};
