#pragma once

#include <QAccessible>
#include <QLineEdit>
#include <QString>

// What a screen reader learns about an owner-drawn control. The owner
// answers it from the same state it paints from, so that what is heard is
// what is seen.
struct SkinAccessibility
{
    QAccessible::Role role = QAccessible::Button;
    QString name;
    QString description;
    // Read through the text interface; controls with text roles only.
    QString text;
    bool focusable = true;
    bool checkable = false;
    bool checked = false;
    // Offers the press action (buttons, radio buttons, toggles).
    bool pressable = true;
};

// A password field: screen readers get its length as bullets, never the
// characters, neither through its text nor through the events of typing.
class CPasswordEdit : public QLineEdit
{
    Q_OBJECT
  public:
    explicit CPasswordEdit(QWidget* parent);
};

namespace quillet::skin
{
// Installs, once, the accessible interfaces of the skin's controls and the
// filter that keeps typed passwords out of accessibility events.
void InstallAccessibility();
// Bullets standing for a password of `length` characters.
QString Bullets(qsizetype length);
}
