#include "skin/SkinButton.h"

#include <QPainter>

CSkinButton::CSkinButton(int id, const QString& caption, DrawRoutine draw, QWidget* parent)
    : QAbstractButton(parent), m_nId(id), m_draw(std::move(draw))
{
    // The caption gives the mnemonic and the screen reader's name.
    setText(caption);
    QString spoken = caption;
    spoken.remove(QLatin1Char('&'));
    spoken.replace(QLatin1Char('\n'), QString());
    setAccessibleName(spoken);
    setFocusPolicy(Qt::StrongFocus);
}

void CSkinButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_draw)
        m_draw(painter, DrawItem{m_nId, rect(), isDown(), hasFocus()});
}
