#include "skin/SkinButton.h"

#include <QPainter>

CSkinButton::CSkinButton(int id, const QString& caption, DrawRoutine draw, QWidget* parent)
    : QAbstractButton(parent), m_nId(id), m_draw(std::move(draw))
{
    quillet::skin::InstallAccessibility();
    // The caption gives the mnemonic and the screen reader's name.
    setText(caption);
    QString spoken = caption;
    spoken.remove(QLatin1Char('&'));
    spoken.replace(QLatin1Char('\n'), QString());
    setAccessibleName(spoken);
    setFocusPolicy(Qt::StrongFocus);
}

SkinAccessibility CSkinButton::Describe() const
{
    if (m_describe)
        return m_describe();
    SkinAccessibility plain;
    plain.name = accessibleName();
    plain.description = accessibleDescription();
    plain.focusable = focusPolicy() != Qt::NoFocus;
    return plain;
}

void CSkinButton::UpdateAccessible()
{
    SkinAccessibility now = Describe();
    if (!QAccessible::isActive())
    {
        m_told = std::move(now);
        return;
    }
    const SkinAccessibility before = m_told.value_or(SkinAccessibility{});
    m_told = now;
    if (now.name != before.name)
    {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
    if (now.description != before.description)
    {
        QAccessibleEvent event(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
    if (now.text != before.text)
    {
        QAccessibleTextUpdateEvent event(this, 0, before.text, now.text);
        QAccessible::updateAccessibility(&event);
    }
    if (now.checked != before.checked)
    {
        QAccessible::State changed;
        changed.checked = true;
        // Toggles are heard as pressed or not.
        changed.pressed = now.role == QAccessible::Button;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

void CSkinButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_draw)
        m_draw(painter, DrawItem{m_nId, rect(), isDown(), hasFocus()});
}
