#pragma once

#include <QAbstractButton>
#include <functional>
#include <optional>

#include "skin/SkinAccessible.h"

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
// Owners that draw something other than a push button (a text, a radio
// button, a toggle) describe it for screen readers with SetDescriber.
class CSkinButton : public QAbstractButton
{
    Q_OBJECT
  public:
    using DrawRoutine = std::function<void(QPainter&, const DrawItem&)>;
    using Describer = std::function<SkinAccessibility()>;

    CSkinButton(int id, const QString& caption, DrawRoutine draw, QWidget* parent);

    int Id() const { return m_nId; }

    void SetDescriber(Describer describer) { m_describe = std::move(describer); }
    SkinAccessibility Describe() const;
    // Tells screen readers what changed since the last call: name, text,
    // description or checked state. Nothing is sent when nothing changed.
    void UpdateAccessible();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int m_nId;
    DrawRoutine m_draw;
    Describer m_describe;
    std::optional<SkinAccessibility> m_told;
};
