#include "navbar_test_util.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

using navtest::centre;
using navtest::makeBar;
using navtest::paint;
using navtest::at;
using navtest::rgb;
using navtest::role;

TEST(NavbarPaint, BorderStripsAndPanelOfThreeButtons)
{
    auto bar = makeBar(3, 0);
    bar->setColor(QColor(10, 120, 30));
    bar->setButtonColor(QColor(200, 180, 160));
    const QImage img = paint(*bar);
    const int bh = bar->ButtonHeight();
    ASSERT_EQ(bh, gxlayout::textHeight(bar->ButtonFont()) + 8);

    // Button 0 at the top of C, buttons 1 and 2 in the last 2 strips above C.Bottom.
    EXPECT_EQ(bar->Buttons(0)->ButtonRect(), GXRect(1, 1, 99, 1 + bh));
    EXPECT_EQ(bar->Buttons(1)->ButtonRect(), GXRect(1, 299 - 2 * bh, 99, 299 - bh));
    EXPECT_EQ(bar->Buttons(2)->ButtonRect(), GXRect(1, 299 - bh, 99, 299));
    const GXRect area = bar->ItemArea();
    EXPECT_EQ(area, GXRect(1, 1 + bh, 99, 299 - 2 * bh));

    const QColor dark = role(*bar, QPalette::Dark);
    const QColor light = role(*bar, QPalette::Light);
    struct Probe {
        int x, y;
        QColor expected;
        const char *what;
    };
    const std::vector<Probe> probes = {
        {0, 150, Qt::black, "panel frame covers the border's left edge"},
        {0, 5, dark, "sunken border, left"},
        {50, 0, dark, "sunken border, top"},
        {99, 5, light, "sunken border, right"},
        {50, 299, light, "sunken border, bottom"},
        {50, 1, light, "raised strip 0, top"},
        {50, bh, dark, "raised strip 0, bottom"},
        {3, 3, bar->ButtonColor(), "strip 0 face"},
        {50, area.top, Qt::black, "panel frame top"},
        {99, area.top + 5, light, "panel frame right"},
        {50, area.bottom - 1, light, "panel frame bottom"},
        {50, area.top + 10, bar->Color(), "empty panel"},
        {3, 299 - 2 * bh + 2, bar->ButtonColor(), "strip 1 face"},
        {50, 299 - bh, light, "strip 2 top"},
    };
    for (const Probe &p : probes)
        EXPECT_EQ(at(img, p.x, p.y), rgb(p.expected)) << p.what;
}

TEST(NavbarPaint, ImagesSelectionAndHover)
{
    auto bar = makeBar(1, 3);
    TGXImageList images;
    images.Add(navtest::solid(Qt::red));
    images.Add(navtest::solid(Qt::blue));
    bar->setImages(&images);
    bar->setItemHightlightColor(QColor(250, 250, 0));
    bar->Buttons(0)->Items(0)->setImageIndex(0);
    bar->Buttons(0)->Items(1)->setImageIndex(1);
    bar->Buttons(0)->Items(2)->setImageIndex(2); // beyond the list: an empty slot
    bar->setSelectedItem(1);
    paint(*bar);

    // Hover item 0: raised frame (3D light, 3D dark shadow) and the highlight fill inside.
    const GXRect i0 = bar->Buttons(0)->Items(0)->ImageRect();
    navtest::move(*bar, centre(i0));
    ASSERT_EQ(bar->HotKind(), GX::hkItem);
    QImage img = paint(*bar);
    EXPECT_EQ(at(img, i0.left + 2, i0.top), rgb(role(*bar, QPalette::Midlight)));
    EXPECT_EQ(at(img, i0.right - 1, i0.top + 2), rgb(role(*bar, QPalette::Shadow)));
    EXPECT_EQ(at(img, i0.left + 1, i0.top + 1), rgb(QColor(250, 250, 0)));
    EXPECT_EQ(at(img, i0.left + 4, i0.top + 4), rgb(QColor(Qt::red)));
    EXPECT_EQ(at(img, i0.left + 35, i0.top + 35), rgb(QColor(Qt::red)));
    EXPECT_EQ(at(img, i0.left + 36, i0.top + 36), rgb(QColor(250, 250, 0)));

    // Selected item 1 in fsButton: sunken frame, no hover fill.
    const GXRect i1 = bar->Buttons(0)->Items(1)->ImageRect();
    EXPECT_EQ(at(img, i1.left + 2, i1.top), rgb(role(*bar, QPalette::Shadow)));
    EXPECT_EQ(at(img, i1.right - 1, i1.top + 2), rgb(role(*bar, QPalette::Midlight)));
    EXPECT_EQ(at(img, i1.left + 1, i1.top + 1), rgb(bar->Color()));
    EXPECT_EQ(at(img, i1.left + 4, i1.top + 4), rgb(QColor(Qt::blue)));

    const GXRect i2 = bar->Buttons(0)->Items(2)->ImageRect();
    EXPECT_EQ(at(img, i2.left + 10, i2.top + 10), rgb(bar->Color()));

    // Leaving the bar drops the hover look.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(bar.get(), &leave);
    EXPECT_EQ(bar->HotKind(), GX::hkNone);
    img = paint(*bar);
    EXPECT_EQ(at(img, i0.left + 1, i0.top + 1), rgb(bar->Color()));
}

TEST(NavbarPaint, ScrollArrowsAndTiledBackground)
{
    auto bar = makeBar(1, 10, {100, 250});
    QPixmap tile = navtest::solid(QColor(0, 0, 200), 7, 5);
    {
        QPainter p(&tile);
        p.fillRect(0, 0, 1, 1, QColor(255, 0, 255));
    }
    bar->setBackground(tile);
    QImage img = paint(*bar);
    const GXRect down = bar->DownArrowRect();
    ASSERT_NE(down, GXRect());
    EXPECT_EQ(bar->UpArrowRect(), GXRect()) << "nothing above TopItem 0";
    const GXRect area = bar->ItemArea();
    EXPECT_EQ(at(img, area.left + 7, area.top + 5), rgb(QColor(255, 0, 255))) << "tile corner";
    EXPECT_EQ(at(img, area.left + 8, area.top + 5), rgb(QColor(0, 0, 200)));

    // sbButton: white/black frame, a black point-down triangle 6 wide and 3 high.
    const int cx = down.left + down.width() / 2 - 3;
    const int cy = down.top + down.height() / 2 - 1;
    EXPECT_EQ(at(img, down.left + 3, down.top), rgb(QColor(Qt::white)));
    EXPECT_EQ(at(img, down.right - 1, down.top + 3), rgb(QColor(Qt::black)));
    EXPECT_EQ(at(img, down.left + 2, down.top + 2), rgb(bar->ButtonColor()));
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(at(img, cx + x, cy), rgb(QColor(Qt::black))) << x;
    EXPECT_EQ(at(img, cx, cy + 2), rgb(bar->ButtonColor()));
    EXPECT_EQ(at(img, cx + 2, cy + 2), rgb(QColor(Qt::black)));

    navtest::click(*bar, centre(down));
    EXPECT_EQ(bar->TopItem(), 1);
    img = paint(*bar);
    const GXRect up = bar->UpArrowRect();
    ASSERT_NE(up, GXRect());
    const int ux = up.left + up.width() / 2 - 3;
    const int uy = up.top + up.height() / 2 - 1;
    EXPECT_EQ(at(img, ux + 2, uy), rgb(QColor(Qt::black)));
    EXPECT_EQ(at(img, ux, uy), rgb(bar->ButtonColor()));
    EXPECT_EQ(at(img, ux, uy + 2), rgb(QColor(Qt::black)));
    EXPECT_EQ(bar->Buttons(0)->Items(0)->ImageRect(), GXRect()) << "scrolled out: no hit area";
}

namespace {
// Whether some pixel of r comes close to c, as antialiased text of colour c does somewhere.
bool shows(const QImage &img, const GXRect &r, const QColor &c)
{
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const QColor p = img.pixelColor(x, y);
            if (std::abs(p.red() - c.red()) + std::abs(p.green() - c.green())
                    + std::abs(p.blue() - c.blue())
                < 60)
                return true;
        }
    return false;
}
} // namespace

TEST(NavbarPaint, ColoursFollowThePaletteUntilSetAndFontsCarryTheirs)
{
    auto bar = makeBar(2, 2);
    bar->setSelectedItem(1);
    const GXRect area = bar->ItemArea();
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Button, QColor(200, 180, 160));
    palette.setColor(QPalette::Dark, QColor(0, 0, 90));
    palette.setColor(QPalette::WindowText, QColor(250, 250, 250));
    bar->setPalette(palette);
    QImage img = paint(*bar);
    const GXRect strip = bar->Buttons(0)->ButtonRect();
    EXPECT_EQ(at(img, 3, 3), rgb(QColor(200, 180, 160))) << "strip in the new button face";
    EXPECT_EQ(at(img, 50, area.top + 2), rgb(QColor(0, 0, 90))) << "panel in the new shadow";
    const GXRect plain = bar->Buttons(0)->Items(0)->TextRect();
    EXPECT_TRUE(shows(img, plain, QColor(250, 250, 250)));
    EXPECT_TRUE(shows(img, strip, QColor(250, 250, 250)));

    // Set colours stay through a palette change; each font's colour reaches its text.
    bar->setButtonColor(QColor(10, 120, 30));
    bar->setColor(QColor(90, 0, 0));
    bar->setButtonFontColor(Qt::yellow);
    bar->setSelectedFontColor(Qt::cyan);
    palette.setColor(QPalette::Button, Qt::white);
    palette.setColor(QPalette::Dark, Qt::black);
    bar->setPalette(palette);
    img = paint(*bar);
    EXPECT_EQ(at(img, 3, 3), rgb(QColor(10, 120, 30)));
    EXPECT_EQ(at(img, 50, area.top + 2), rgb(QColor(90, 0, 0)));
    EXPECT_TRUE(shows(img, strip, Qt::yellow));
    const GXRect selected = bar->Buttons(0)->Items(1)->TextRect();
    EXPECT_TRUE(shows(img, selected, Qt::cyan));
    EXPECT_FALSE(shows(img, plain, Qt::cyan));
}

TEST(NavbarPaint, DrawsAtThePixelRatioOfThePicture)
{
    auto bar = makeBar(2, 2);
    const QImage plain = paint(*bar);
    const GXRect strip = bar->Buttons(1)->ButtonRect();
    QImage scaled(bar->size() * 2, QImage::Format_ARGB32_Premultiplied);
    scaled.setDevicePixelRatio(2);
    bar->render(&scaled);
    EXPECT_EQ(bar->Buttons(1)->ButtonRect(), strip) << "laid out in logical pixels";
    for (const QPoint p : {QPoint(0, 150), QPoint(50, 0), QPoint(3, 3), QPoint(50, strip.top)})
        EXPECT_EQ(scaled.pixel(2 * p.x() + 1, 2 * p.y() + 1), plain.pixel(p))
            << p.x() << "," << p.y();

    // Text drawn at twice the pixels has detail finer than a logical pixel.
    const GXRect caption = bar->Buttons(0)->ButtonRect();
    bool finer = false;
    for (int y = caption.top; y < caption.bottom && !finer; ++y)
        for (int x = caption.left; x < caption.right && !finer; ++x) {
            const QRgb first = scaled.pixel(2 * x, 2 * y);
            finer = scaled.pixel(2 * x + 1, 2 * y) != first
                    || scaled.pixel(2 * x, 2 * y + 1) != first
                    || scaled.pixel(2 * x + 1, 2 * y + 1) != first;
        }
    EXPECT_TRUE(finer);
}
