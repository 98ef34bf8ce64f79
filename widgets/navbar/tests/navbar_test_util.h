#pragma once

#include "GX_Outlook.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace navtest {

inline QPixmap solid(const QColor &c, int w = 32, int h = 32)
{
    QPixmap p(w, h);
    p.fill(c);
    return p;
}

// A shown bar of the given size with buttons "B0".. and items "I<b>.<k>", switching at once.
inline std::unique_ptr<TFEGXOutlookBar> makeBar(int buttons, int items, QSize size = {100, 300})
{
    auto bar = std::make_unique<TFEGXOutlookBar>();
    bar->setSmoothScrolling(false);
    bar->resize(size);
    for (int b = 0; b < buttons; ++b) {
        TGXOutlookItems *button = bar->AddButton(QStringLiteral("B%1").arg(b));
        for (int k = 0; k < items; ++k)
            button->Add()->setCaption(QStringLiteral("I%1.%2").arg(b).arg(k));
    }
    bar->show();
    // Until the window is exposed, repaint() cannot paint at once as a click expects.
    if (!QTest::qWaitForWindowExposed(bar.get()))
        ADD_FAILURE() << "bar not exposed";
    return bar;
}

// Painting records the hit rectangles, so every test paints before it clicks.
inline QImage paint(QWidget &w)
{
    return w.grab().toImage();
}

inline QPoint centre(const GXRect &r)
{
    return {r.left + r.width() / 2, r.top + r.height() / 2};
}

inline void click(QWidget &w, QPoint p, Qt::MouseButton b = Qt::LeftButton)
{
    QTest::mousePress(&w, b, {}, p);
    QTest::mouseRelease(&w, b, {}, p);
}

// Mouse moves go straight to the widget, buttons up, as a hover does.
inline void move(QWidget &w, QPoint p)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(p), w.mapToGlobal(QPointF(p)), Qt::NoButton,
                  Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

// Pixels are compared at 8 bits a channel, as the picture holds them.
inline QRgb at(const QImage &img, int x, int y)
{
    return img.pixel(x, y);
}

inline QRgb rgb(const QColor &c)
{
    return c.rgb();
}

inline QColor role(const QWidget &w, QPalette::ColorRole r)
{
    return w.palette().color(r);
}

} // namespace navtest
