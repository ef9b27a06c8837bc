#pragma once

#include <QPainter>
#include <QWidget>
#include <functional>

#include "skin/SkinCatalogue.h"

// The test window's surface under the menu bar: the page background and the
// results, painted by the routine it is given.
class CPageSurface : public QWidget
{
  public:
    CPageSurface(QWidget* owner, std::function<void(QPainter&)> paint)
        : QWidget(owner), m_paint(std::move(paint))
    {
        setObjectName(QStringLiteral("pageSurface"));
        setFixedSize(quillet::skin::kSurfaceWidth, quillet::skin::kSurfaceHeight);
    }

  protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        m_paint(painter);
    }

  private:
    std::function<void(QPainter&)> m_paint;
};
