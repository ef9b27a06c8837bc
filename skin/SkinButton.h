#pragma once

#include <QAbstractButton>
#include <functional>

// What an owner needs to draw one of its buttons.
struct DrawItem
{
    int id = 0;
    QRect rect; // in the button's own coordinates
    bool pressed = false;
    bool focused = false;
};

// A button drawn entirely by its owner: it only hands the owner a painter,
// its id, its rectangle and its state. Clicks, Space, mnemonics and the
// accessible name come from Qt; the caption itself is never painted.
class CSkinButton : public QAbstractButton
{
    Q_OBJECT
  public:
    using DrawRoutine = std::function<void(QPainter&, const DrawItem&)>;

    CSkinButton(int id, const QString& caption, DrawRoutine draw, QWidget* parent);

    int Id() const { return m_nId; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int m_nId;
    DrawRoutine m_draw;
};
