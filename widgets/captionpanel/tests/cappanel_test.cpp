#include "FeCapPnl.h"

#include <QImage>
#include <QPalette>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using FeCap::Bevel;
using FeCap::Look;

namespace {

const QColor face(200, 200, 200);
const QColor highlight(255, 255, 255);
const QColor shadow(100, 100, 100);
const QColor glyph(0, 0, 0);
const QColor ink(0, 0, 255);
const QColor body(255, 255, 180);

// Distinct system colours, so every pixel tells which step painted it.
void paintWithTestColours(QWidget &w)
{
    QPalette pal = w.palette();
    pal.setColor(QPalette::Button, face);
    pal.setColor(QPalette::Light, highlight);
    pal.setColor(QPalette::Dark, shadow);
    pal.setColor(QPalette::ButtonText, glyph);
    pal.setColor(QPalette::WindowText, ink);
    w.setPalette(pal);
}

QColor at(const QImage &img, QPoint p)
{
    return img.pixelColor(p);
}

QImage shot(QWidget &w)
{
    return w.grab().toImage();
}

// A 1-pixel edge: top row and left column in `top`, the rest of the ring in `bottom`.
void expectEdge(const QImage &img, const QRect &r, const QColor &top, const QColor &bottom)
{
    const int right = r.x() + r.width() - 1;
    const int lowest = r.y() + r.height() - 1;
    for (int x = r.x(); x < right; ++x)
        ASSERT_EQ(at(img, {x, r.y()}), top) << "top row x=" << x;
    for (int y = r.y(); y < lowest; ++y)
        ASSERT_EQ(at(img, {r.x(), y}), top) << "left column y=" << y;
    for (int y = r.y(); y <= lowest; ++y)
        ASSERT_EQ(at(img, {right, y}), bottom) << "right column y=" << y;
    for (int x = r.x(); x <= right; ++x)
        ASSERT_EQ(at(img, {x, lowest}), bottom) << "bottom row x=" << x;
}

void expectLook(TFECaptionPanel &p, Look look)
{
    EXPECT_EQ(p.buttonLook(), look);
    const QImage img = shot(p);
    const QRect r = p.buttonRect();
    switch (look) {
    case Look::Flat:
        expectEdge(img, r, face, face);
        break;
    case Look::Raised:
        expectEdge(img, r, highlight, shadow);
        break;
    case Look::Pressed:
        expectEdge(img, r, shadow, highlight);
        break;
    }
}

// Pixels of `colour` inside `area`, as a bounding rectangle (null when there are none).
QRect extentOf(const QImage &img, const QRect &area, const QColor &colour)
{
    QRect found;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (at(img, {x, y}) == colour)
                found |= QRect(x, y, 1, 1);
    return found;
}

class CaptionPanelShown : public ::testing::Test
{
protected:
    void SetUp() override
    {
        paintWithTestColours(panel);
        panel.setColor(body);
        panel.resize(200, 100);
        panel.move(50, 50);
        panel.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
        ASSERT_FALSE(panel.isHover());
    }

    // A window shown under the mouse is entered at once, so leave none there for the next.
    void TearDown() override { QTest::mouseMove(&panel, QPoint(-40, -40)); }

    QPoint inside() const { return panel.buttonRect().center(); }

    TFECaptionPanel panel;
};

} // namespace

TEST(CaptionPanel, PropertiesStartAtTheirDefaultsAndAreReachableByName)
{
    TFECaptionPanel p;
    EXPECT_EQ(p.property("CaptionHeight").toInt(), 22);
    EXPECT_TRUE(p.property("ButtonFlat").toBool());
    EXPECT_TRUE(p.property("ButtonVisible").toBool());
    EXPECT_EQ(p.property("BevelOuter").value<Bevel>(), Bevel::Lowered);
    EXPECT_EQ(p.property("BevelInner").value<Bevel>(), Bevel::None);
    EXPECT_EQ(p.property("BevelWidth").toInt(), 1);
    EXPECT_EQ(p.property("BorderWidth").toInt(), 0);
    EXPECT_EQ(p.property("Alignment").value<Qt::Alignment>(), Qt::AlignHCenter);
    EXPECT_EQ(p.property("Color").value<QColor>(), p.palette().color(QPalette::Button));
    EXPECT_TRUE(p.property("Caption").toString().isEmpty());
    EXPECT_FALSE(p.isHover());
    EXPECT_FALSE(p.isPressed());

    EXPECT_TRUE(p.setProperty("CaptionHeight", 30));
    EXPECT_TRUE(p.setProperty("BevelOuter", QVariant::fromValue(Bevel::Raised)));
    EXPECT_TRUE(p.setProperty("Caption", QStringLiteral("InBox")));
    EXPECT_EQ(p.captionHeight(), 30);
    EXPECT_EQ(p.bevelOuter(), Bevel::Raised);
    EXPECT_EQ(p.caption(), QStringLiteral("InBox"));

    p.setBevelWidth(0);
    p.setBorderWidth(-3);
    EXPECT_EQ(p.bevelWidth(), 1);
    EXPECT_EQ(p.borderWidth(), 0);
}

TEST(CaptionPanel, ChildrenFillTheAreaBelowTheStrip)
{
    const struct {
        const char *name;
        Bevel outer, inner;
        int bevelWidth, border, captionHeight;
        QRect child;
    } cases[] = {
        {"views of the main window", Bevel::Lowered, Bevel::None, 1, 0, 22, {1, 23, 198, 76}},
        {"no bevel, no border", Bevel::None, Bevel::None, 1, 0, 22, {0, 22, 200, 78}},
        {"no bevel, tall strip", Bevel::None, Bevel::None, 1, 0, 40, {0, 40, 200, 60}},
        {"two bevels and a border", Bevel::Raised, Bevel::Lowered, 2, 3, 22, {7, 29, 186, 64}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TFECaptionPanel p;
        auto *layout = new QVBoxLayout(&p);
        layout->setContentsMargins(0, 0, 0, 0);
        auto *child = new QWidget;
        layout->addWidget(child);
        p.setBevelOuter(c.outer);
        p.setBevelInner(c.inner);
        p.setBevelWidth(c.bevelWidth);
        p.setBorderWidth(c.border);
        p.setCaptionHeight(c.captionHeight);
        p.resize(200, 100);
        layout->activate();
        EXPECT_EQ(p.contentsRect(), c.child);
        EXPECT_EQ(child->geometry(), c.child);
    }
}

TEST(CaptionPanel, ChildrenFollowANewCaptionHeight)
{
    TFECaptionPanel p;
    auto *layout = new QVBoxLayout(&p);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *child = new QWidget;
    layout->addWidget(child);
    p.resize(200, 100);
    p.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p));
    ASSERT_EQ(child->geometry(), QRect(1, 23, 198, 76));

    p.setCaptionHeight(40);
    QCoreApplication::sendPostedEvents(&p, QEvent::LayoutRequest);
    EXPECT_EQ(child->geometry(), QRect(1, 41, 198, 58));
}

TEST(CaptionPanel, PaintsBevelsStripAndBody)
{
    const struct {
        const char *name;
        Bevel outer, inner;
        int bevelWidth, border;
        std::vector<std::pair<QPoint, QColor>> pixels;
    } cases[] = {
        {"lowered bevel",
         Bevel::Lowered,
         Bevel::None,
         1,
         0,
         {{{0, 0}, shadow},     {{100, 0}, shadow},    {{0, 50}, shadow},     {{199, 0}, highlight},
          {{199, 50}, highlight}, {{100, 99}, highlight}, {{0, 99}, highlight}, {{1, 1}, highlight},
          {{100, 1}, highlight}, {{1, 12}, highlight}, {{198, 12}, shadow},   {{100, 22}, shadow},
          {{10, 3}, face},       {{1, 23}, body},       {{100, 60}, body},     {{198, 98}, body}}},
        {"no bevel: the strip is at the very top",
         Bevel::None,
         Bevel::None,
         1,
         0,
         {{{0, 0}, highlight}, {{100, 0}, highlight}, {{199, 10}, shadow}, {{100, 21}, shadow},
          {{0, 22}, body}, {{199, 99}, body}}},
        {"raised outer, lowered inner, border between",
         Bevel::Raised,
         Bevel::Lowered,
         2,
         3,
         {{{0, 0}, highlight},   {{1, 1}, highlight}, {{199, 99}, shadow}, {{198, 98}, shadow},
          {{2, 2}, body},        {{4, 50}, body},     {{195, 50}, body},   {{5, 5}, shadow},
          {{6, 50}, shadow},     {{194, 50}, highlight}, {{7, 7}, highlight}, {{100, 28}, shadow},
          {{100, 29}, body}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TFECaptionPanel p;
        paintWithTestColours(p);
        p.setColor(body);
        p.setBevelOuter(c.outer);
        p.setBevelInner(c.inner);
        p.setBevelWidth(c.bevelWidth);
        p.setBorderWidth(c.border);
        p.resize(200, 100);
        const QImage img = shot(p);
        for (const auto &[point, colour] : c.pixels)
            EXPECT_EQ(at(img, point), colour) << point.x() << "," << point.y();
    }

    // Without a colour of its own the body takes the button face.
    TFECaptionPanel plain;
    paintWithTestColours(plain);
    plain.resize(200, 100);
    EXPECT_EQ(at(shot(plain), {100, 60}), face);
}

TEST(CaptionPanel, ButtonIsASixteenPixelSquareWithACrossInside)
{
    TFECaptionPanel p;
    paintWithTestColours(p);
    p.resize(200, 100);
    // The strip's inner right edge is 198; the button ends 4 pixels before it.
    ASSERT_EQ(p.buttonRect(), QRect(178, 4, 16, 16));

    const QImage img = shot(p);
    const QRect r = p.buttonRect();
    expectEdge(img, r, face, face);
    const QRect cross = extentOf(img, r, glyph);
    ASSERT_FALSE(cross.isNull());
    // Only the cross remains: margin and the glyph's own edge are button face.
    EXPECT_TRUE(r.adjusted(2, 2, -2, -2).contains(cross));
    EXPECT_EQ(at(img, r.center()), glyph);
    EXPECT_EQ(at(img, {r.x() + 2, r.y() + 2 + r.height() / 2 - 1}), face);
    // The strip around the button stays plain.
    EXPECT_EQ(at(img, {r.x() - 1, r.y() + 8}), face);
    EXPECT_EQ(at(img, {r.x() + r.width(), r.y() + 8}), face);

    // A taller strip gives a bigger square, still 4 pixels in from the edge.
    p.setCaptionHeight(30);
    EXPECT_EQ(p.buttonRect(), QRect(170, 4, 24, 24));
    expectEdge(shot(p), p.buttonRect(), face, face);
}

TEST_F(CaptionPanelShown, FlatButtonLightsUpUnderTheMouseAndSinksWhilePressed)
{
    QSignalSpy clicks(&panel, &TFECustomCaptionPanel::OnBtnClick);
    expectLook(panel, Look::Flat);

    QTest::mouseMove(&panel, QPoint(40, 60));
    EXPECT_TRUE(panel.isHover());
    expectLook(panel, Look::Flat);

    QTest::mouseMove(&panel, inside());
    expectLook(panel, Look::Raised);

    QTest::mousePress(&panel, Qt::LeftButton, {}, inside());
    EXPECT_TRUE(panel.isPressed());
    expectLook(panel, Look::Pressed);
    EXPECT_EQ(clicks.count(), 0);

    QTest::mouseRelease(&panel, Qt::LeftButton, {}, inside());
    EXPECT_FALSE(panel.isPressed());
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).value<QObject *>(), &panel);
    expectLook(panel, Look::Raised);

    QTest::mouseMove(&panel, QPoint(40, 12));
    expectLook(panel, Look::Flat);

    QTest::mouseMove(&panel, inside());
    expectLook(panel, Look::Raised);
    QTest::mouseMove(&panel, QPoint(-40, -40));
    EXPECT_FALSE(panel.isHover());
    expectLook(panel, Look::Flat);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(CaptionPanelShown, RaisedButtonStaysRaisedUntilPressed)
{
    panel.setButtonFlat(false);
    QSignalSpy clicks(&panel, &TFECustomCaptionPanel::OnBtnClick);
    expectLook(panel, Look::Raised);

    QTest::mouseMove(&panel, inside());
    expectLook(panel, Look::Raised);
    QTest::mouseMove(&panel, QPoint(40, 60));
    expectLook(panel, Look::Raised);

    QTest::mousePress(&panel, Qt::LeftButton, {}, inside());
    expectLook(panel, Look::Pressed);
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, inside());
    expectLook(panel, Look::Raised);
    EXPECT_EQ(clicks.count(), 1);

    QTest::mouseMove(&panel, QPoint(-40, -40));
    expectLook(panel, Look::Raised);

    panel.setButtonFlat(true);
    expectLook(panel, Look::Flat);
}

TEST_F(CaptionPanelShown, ReleaseOffTheButtonRepaintsItAndRaisesNoClick)
{
    QSignalSpy clicks(&panel, &TFECustomCaptionPanel::OnBtnClick);
    QTest::mouseMove(&panel, inside());
    QTest::mousePress(&panel, Qt::LeftButton, {}, inside());
    expectLook(panel, Look::Pressed);

    // While pressed the look holds wherever the mouse goes.
    QTest::mouseMove(&panel, QPoint(40, 60));
    expectLook(panel, Look::Pressed);
    QTest::mouseMove(&panel, inside());
    expectLook(panel, Look::Pressed);

    QTest::mouseRelease(&panel, Qt::LeftButton, {}, QPoint(40, 60));
    EXPECT_FALSE(panel.isPressed());
    EXPECT_EQ(clicks.count(), 0);
    expectLook(panel, Look::Flat);
}

TEST_F(CaptionPanelShown, OnlyAPressStrictlyInsideTheButtonTakesIt)
{
    const QRect r = panel.buttonRect();
    const struct {
        const char *name;
        QPoint offset;
        bool takes;
    } cases[] = {
        {"left edge", {0, 8}, false},      {"one right of the left edge", {1, 8}, true},
        {"last column", {15, 8}, true},    {"right edge", {16, 8}, false},
        {"top edge", {8, 0}, false},       {"one below the top edge", {8, 1}, true},
        {"last row", {8, 15}, true},       {"bottom edge", {8, 16}, false},
        {"top-left corner", {0, 0}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QSignalSpy clicks(&panel, &TFECustomCaptionPanel::OnBtnClick);
        const QPoint p = r.topLeft() + c.offset;
        QTest::mousePress(&panel, Qt::LeftButton, {}, p);
        EXPECT_EQ(panel.isPressed(), c.takes);
        expectLook(panel, c.takes ? Look::Pressed : Look::Flat);
        QTest::mouseRelease(&panel, Qt::LeftButton, {}, p);
        EXPECT_EQ(clicks.count(), c.takes ? 1 : 0);
        EXPECT_FALSE(panel.isPressed());
    }
}

TEST_F(CaptionPanelShown, NotificationsRunInOrderAroundTheButton)
{
    QStringList log;
    QObject::connect(&panel, &TFECustomCaptionPanel::OnMouseDown, &panel,
            [&](QObject *sender, Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
                EXPECT_EQ(sender, &panel);
                EXPECT_EQ(button, Qt::RightButton);
                log << QStringLiteral("down pressed=%1").arg(panel.isPressed());
            });
    QObject::connect(&panel, &TFECustomCaptionPanel::OnBtnClick, &panel, [&](QObject *) {
        log << QStringLiteral("click pressed=%1").arg(panel.isPressed());
    });
    QObject::connect(&panel, &TFECustomCaptionPanel::OnMouseUp, &panel,
            [&](QObject *, Qt::MouseButton, Qt::KeyboardModifiers, QPoint pos) {
                log << QStringLiteral("up pressed=%1 at %2").arg(panel.isPressed()).arg(pos.x());
            });
    QSignalSpy moves(&panel, &TFECustomCaptionPanel::OnMouseMove);

    // Any mouse button works the button.
    const QPoint p = inside();
    QTest::mousePress(&panel, Qt::RightButton, {}, p);
    QTest::mouseRelease(&panel, Qt::RightButton, {}, p);
    EXPECT_EQ(log,
              QStringList({QStringLiteral("down pressed=0"), QStringLiteral("click pressed=1"),
                           QStringLiteral("up pressed=0 at %1").arg(p.x())}));

    QTest::mouseMove(&panel, QPoint(30, 70));
    ASSERT_GE(moves.count(), 1);
    EXPECT_EQ(moves.last().at(0).value<QObject *>(), &panel);
    EXPECT_EQ(moves.last().at(3).toPoint(), QPoint(30, 70));
}

TEST_F(CaptionPanelShown, HiddenButtonLeavesThePlainStripAndTakesNoPress)
{
    int paints = 0;
    struct PaintCounter : QObject {
        int *count;
        explicit PaintCounter(int *c) : count(c) {}
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter(&paints);
    panel.installEventFilter(&counter);

    const QRect was = panel.buttonRect();
    panel.setButtonVisible(false);
    // Hiding the button repaints at once, before any event is processed.
    EXPECT_GE(paints, 1);
    panel.removeEventFilter(&counter);

    const QRect r = panel.buttonRect();
    EXPECT_EQ(r.x(), -1);
    EXPECT_EQ(r.y(), -1);
    EXPECT_EQ(r.x() + r.width(), -1);
    EXPECT_EQ(r.y() + r.height(), -1);

    const QImage img = shot(panel);
    EXPECT_TRUE(extentOf(img, was, glyph).isNull());
    EXPECT_EQ(extentOf(img, QRect(2, 2, 196, 20), face), QRect(2, 2, 196, 20));

    QSignalSpy clicks(&panel, &TFECustomCaptionPanel::OnBtnClick);
    for (QPoint p : {was.center(), QPoint(196, 12), QPoint(-1, -1)}) {
        QTest::mousePress(&panel, Qt::LeftButton, {}, p);
        EXPECT_FALSE(panel.isPressed());
        QTest::mouseRelease(&panel, Qt::LeftButton, {}, p);
    }
    EXPECT_EQ(clicks.count(), 0);

    panel.setButtonVisible(true);
    EXPECT_EQ(panel.buttonRect(), was);
    EXPECT_FALSE(extentOf(shot(panel), was, glyph).isNull());
}

TEST(CaptionPanel, CaptionIsCentredInTheStripAndAlignedInTheTextArea)
{
    enum class Where { Left, Centre, Right, Clipped };
    using enum Where;
    const struct {
        const char *name;
        QString caption;
        Qt::Alignment alignment;
        Qt::LayoutDirection direction;
        bool buttonVisible;
        Where where;
    } cases[] = {
        {"left", QStringLiteral("WWW"), Qt::AlignLeft, Qt::LeftToRight, true, Left},
        {"centre", QStringLiteral("WWW"), Qt::AlignHCenter, Qt::LeftToRight, true, Centre},
        {"right", QStringLiteral("WWW"), Qt::AlignRight, Qt::LeftToRight, true, Right},
        {"right, no button", QStringLiteral("WWW"), Qt::AlignRight, Qt::LeftToRight, false, Right},
        {"left, right to left", QStringLiteral("WWW"), Qt::AlignLeft, Qt::RightToLeft, true, Right},
        {"too long", QString(60, QLatin1Char('W')), Qt::AlignLeft, Qt::LeftToRight, true, Clipped},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TFECaptionPanel p;
        paintWithTestColours(p);
        p.setColor(body);
        p.setCaption(c.caption);
        p.setAlignment(c.alignment);
        p.setLayoutDirection(c.direction);
        p.setButtonVisible(c.buttonVisible);
        p.resize(200, 100);
        const QImage img = shot(p);
        const QRect area = p.captionLayout().text;
        const QRect text = extentOf(img, img.rect(), ink);
        ASSERT_FALSE(text.isNull());
        EXPECT_EQ(area.height(), QFontMetrics(p.font()).height());
        EXPECT_EQ(area.y(), (2 + 22 - area.height()) / 2);
        EXPECT_TRUE(area.contains(text)) << text.x() << "," << text.y() << " " << text.width()
                                         << "x" << text.height();
        switch (c.where) {
        case Where::Left:
            EXPECT_LE(text.left() - area.left(), 3);
            break;
        case Where::Right:
            EXPECT_LE(area.right() - text.right(), 3);
            break;
        case Where::Centre:
            EXPECT_LE(std::abs(text.center().x() - area.center().x()), 2);
            break;
        case Where::Clipped:
            EXPECT_LE(text.left() - area.left(), 3);
            EXPECT_GE(text.right(), area.right() - 12);
            break;
        }
        if (c.buttonVisible)
            EXPECT_EQ(area.x() + area.width(), p.buttonRect().x() - 2);
        else
            EXPECT_EQ(area.x() + area.width(), 196);
    }

    // An empty caption leaves the strip bare.
    TFECaptionPanel empty;
    paintWithTestColours(empty);
    empty.resize(200, 100);
    EXPECT_TRUE(extentOf(shot(empty), QRect(0, 0, 200, 100), ink).isNull());
}

