#include "FeCapPnl.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using FeCap::Bevel;
using FeCap::Look;

namespace {

const QColor face(200, 200, 200), highlight(255, 255, 255), shadow(100, 100, 100);
const QColor glyph(0, 0, 0), ink(0, 0, 255), body(255, 255, 180);

// Distinct colours, so that every pixel tells which step painted it.
void useTestColours(TFECaptionPanel &w)
{
    QPalette pal = w.palette();
    pal.setColor(QPalette::Button, face);
    pal.setColor(QPalette::Light, highlight);
    pal.setColor(QPalette::Dark, shadow);
    pal.setColor(QPalette::ButtonText, glyph);
    pal.setColor(QPalette::WindowText, ink);
    w.setPalette(pal);
    w.setColor(body);
    w.resize(200, 100);
}

QImage shot(QWidget &w) { return w.grab().toImage(); }

// A 1-pixel edge: top row and left column in `top`; right column, bottom row and the
// top-right and bottom-left corners in `bottom`.
void expectEdge(const QImage &img, const QRect &r, const QColor &top, const QColor &bottom)
{
    for (int i = 0; i < r.width(); ++i) {
        ASSERT_EQ(img.pixelColor(r.x() + i, r.y()), i + 1 < r.width() ? top : bottom) << i;
        ASSERT_EQ(img.pixelColor(r.x() + i, r.bottom()), bottom) << i;
    }
    for (int i = 0; i < r.height(); ++i) {
        ASSERT_EQ(img.pixelColor(r.x(), r.y() + i), i + 1 < r.height() ? top : bottom) << i;
        ASSERT_EQ(img.pixelColor(r.right(), r.y() + i), bottom) << i;
    }
}

void expectLook(TFECaptionPanel &p, Look look)
{
    EXPECT_EQ(p.buttonLook(), look);
    const QColor top[] = {face, highlight, shadow}, bottom[] = {face, shadow, highlight};
    expectEdge(shot(p), p.buttonRect(), top[int(look)], bottom[int(look)]);
}

// Bounding rectangle of the pixels of `colour` inside `area`; null when there are none.
QRect extentOf(const QImage &img, const QRect &area, const QColor &colour)
{
    QRect found;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixelColor(x, y) == colour)
                found |= QRect(x, y, 1, 1);
    return found;
}

class CaptionPanelShown : public ::testing::Test
{
protected:
    void SetUp() override
    {
        useTestColours(panel);
        panel.move(50, 50);
        panel.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
        ASSERT_FALSE(panel.isHover());
    }
    // A window shown under the mouse is entered at once: leave none there for the next test.
    void TearDown() override { QTest::mouseMove(&panel, QPoint(-40, -40)); }

    QPoint onButton() const { return panel.buttonRect().center(); }
    const QPoint offButton{40, 60};
    TFECaptionPanel panel;
};

} // namespace

TEST(CaptionPanel, PropertiesStartAtTheirDefaults)
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
    EXPECT_FALSE(p.isHover());
    EXPECT_TRUE(p.setProperty("CaptionHeight", 30));
    EXPECT_EQ(p.captionHeight(), 30);
}

TEST(CaptionPanel, ChildrenFillTheAreaBelowTheStrip)
{
    const struct {
        Bevel outer, inner;
        int bevelWidth, border, captionHeight;
        QRect child;
    } cases[] = {
        {Bevel::Lowered, Bevel::None, 1, 0, 22, {1, 23, 198, 76}},
        {Bevel::None, Bevel::None, 1, 0, 22, {0, 22, 200, 78}},
        {Bevel::None, Bevel::None, 1, 0, 40, {0, 40, 200, 60}},
        {Bevel::Raised, Bevel::Lowered, 2, 3, 22, {7, 29, 186, 64}},
    };
    for (const auto &c : cases) {
        TFECaptionPanel p;
        auto *layout = new QVBoxLayout(&p);
        layout->setContentsMargins(0, 0, 0, 0);
        auto *child = new QWidget;
        layout->addWidget(child);
        p.setBevelOuter(c.outer);
        p.setBevelInner(c.inner);
        p.setBevelWidth(c.bevelWidth);
        p.setBorderWidth(c.border);
        p.resize(200, 100);
        p.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&p));
        // A new height reaches the children at the layout's next pass.
        p.setCaptionHeight(c.captionHeight);
        QCoreApplication::sendPostedEvents(&p, QEvent::LayoutRequest);
        EXPECT_EQ(child->geometry(), c.child) << c.captionHeight;
    }
}

TEST(CaptionPanel, PaintsBevelsStripAndBody)
{
    using Pixels = std::vector<std::pair<QPoint, QColor>>;
    const struct {
        Bevel outer, inner;
        int bevelWidth, border;
        Pixels pixels;
    } cases[] = {
        {Bevel::Lowered, Bevel::None, 1, 0,
         {{{0, 0}, shadow}, {{0, 50}, shadow}, {{199, 0}, highlight}, {{199, 50}, highlight},
          {{0, 99}, highlight}, {{1, 1}, highlight}, {{1, 12}, highlight}, {{198, 12}, shadow},
          {{100, 22}, shadow}, {{10, 3}, face}, {{1, 23}, body}, {{198, 98}, body}}},
        // No bevel: the strip sits at the very top.
        {Bevel::None, Bevel::None, 1, 0,
         {{{0, 0}, highlight}, {{199, 10}, shadow}, {{100, 21}, shadow}, {{0, 22}, body}}},
        {Bevel::Raised, Bevel::Lowered, 2, 3,
         {{{1, 1}, highlight}, {{198, 98}, shadow}, {{2, 2}, body}, {{4, 50}, body},
          {{6, 50}, shadow}, {{194, 50}, highlight}, {{7, 7}, highlight}, {{100, 28}, shadow},
          {{100, 29}, body}}},
    };
    for (const auto &c : cases) {
        TFECaptionPanel p;
        useTestColours(p);
        p.setBevelOuter(c.outer);
        p.setBevelInner(c.inner);
        p.setBevelWidth(c.bevelWidth);
        p.setBorderWidth(c.border);
        const QImage img = shot(p);
        for (const auto &[point, colour] : c.pixels)
            EXPECT_EQ(img.pixelColor(point), colour) << point.x() << "," << point.y();
    }
}

TEST(CaptionPanel, ButtonIsASquareFourPixelsInWithOnlyACross)
{
    TFECaptionPanel p;
    useTestColours(p);
    // The strip's inner right edge is 198.
    ASSERT_EQ(p.buttonRect(), QRect(178, 4, 16, 16));
    const QImage img = shot(p);
    const QRect r = p.buttonRect();
    expectEdge(img, r, face, face);
    const QRect cross = extentOf(img, r, glyph);
    EXPECT_EQ(img.pixelColor(r.center()), glyph);
    EXPECT_TRUE(r.adjusted(2, 2, -2, -2).contains(cross));
    EXPECT_EQ(img.pixelColor(r.x() - 1, r.y() + 8), face);

    p.setCaptionHeight(30);
    EXPECT_EQ(p.buttonRect(), QRect(170, 4, 24, 24));
}

TEST_F(CaptionPanelShown, FlatButtonLightsUpUnderTheMouseAndSinksWhilePressed)
{
    QSignalSpy clicks(&panel, &TFECustomCaptionPanel::OnBtnClick);
    QTest::mouseMove(&panel, offButton);
    EXPECT_TRUE(panel.isHover());
    expectLook(panel, Look::Flat);
    QTest::mouseMove(&panel, onButton());
    expectLook(panel, Look::Raised);

    QTest::mousePress(&panel, Qt::LeftButton, {}, onButton());
    expectLook(panel, Look::Pressed);
    // While pressed the look holds wherever the mouse goes.
    QTest::mouseMove(&panel, offButton);
    expectLook(panel, Look::Pressed);
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, onButton());
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).value<QObject *>(), &panel);
    expectLook(panel, Look::Raised);

    QTest::mouseMove(&panel, offButton);
    expectLook(panel, Look::Flat);
    QTest::mouseMove(&panel, onButton());
    QTest::mouseMove(&panel, QPoint(-40, -40));
    EXPECT_FALSE(panel.isHover());
    expectLook(panel, Look::Flat);
}

TEST_F(CaptionPanelShown, RaisedButtonIgnoresTheMouseUntilPressed)
{
    panel.setButtonFlat(false);
    expectLook(panel, Look::Raised);
    QTest::mouseMove(&panel, onButton());
    expectLook(panel, Look::Raised);
    QTest::mousePress(&panel, Qt::LeftButton, {}, onButton());
    expectLook(panel, Look::Pressed);
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, offButton);
    expectLook(panel, Look::Raised);
    QTest::mouseMove(&panel, QPoint(-40, -40));
    expectLook(panel, Look::Raised);
}

TEST_F(CaptionPanelShown, ReleaseOffTheButtonRepaintsItAndRaisesNoClick)
{
    QSignalSpy clicks(&panel, &TFECustomCaptionPanel::OnBtnClick);
    QTest::mouseMove(&panel, onButton());
    QTest::mousePress(&panel, Qt::LeftButton, {}, onButton());
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, offButton);
    EXPECT_FALSE(panel.isPressed());
    EXPECT_EQ(clicks.count(), 0);
    expectLook(panel, Look::Flat);
}

TEST_F(CaptionPanelShown, OnlyAPressStrictlyInsideTheButtonTakesIt)
{
    const struct {
        QPoint offset;
        bool takes;
    } cases[] = {
        {{0, 8}, false}, {{1, 8}, true},  {{15, 8}, true}, {{16, 8}, false}, {{8, 0}, false},
        {{8, 1}, true},  {{8, 15}, true}, {{8, 16}, false}, {{0, 0}, false},
    };
    for (const auto &c : cases) {
        const QPoint p = panel.buttonRect().topLeft() + c.offset;
        SCOPED_TRACE(testing::Message() << p.x() << "," << p.y());
        QSignalSpy clicks(&panel, &TFECustomCaptionPanel::OnBtnClick);
        QTest::mousePress(&panel, Qt::LeftButton, {}, p);
        EXPECT_EQ(panel.isPressed(), c.takes);
        expectLook(panel, c.takes ? Look::Pressed : Look::Flat);
        QTest::mouseRelease(&panel, Qt::LeftButton, {}, p);
        EXPECT_EQ(clicks.count(), c.takes ? 1 : 0);
    }
}

TEST_F(CaptionPanelShown, NotificationsRunInOrderAroundTheButton)
{
    QStringList log;
    const auto note = [&](const char *what) {
        log << QLatin1String(what) + QStringLiteral(" pressed=%1").arg(panel.isPressed());
    };
    QObject::connect(&panel, &TFECustomCaptionPanel::OnMouseDown, &panel, [&] { note("down"); });
    QObject::connect(&panel, &TFECustomCaptionPanel::OnBtnClick, &panel, [&] { note("click"); });
    QObject::connect(&panel, &TFECustomCaptionPanel::OnMouseUp, &panel, [&] { note("up"); });
    QSignalSpy moves(&panel, &TFECustomCaptionPanel::OnMouseMove);

    // Any mouse button works the button.
    QTest::mouseClick(&panel, Qt::RightButton, {}, onButton());
    EXPECT_EQ(log, QStringList({QStringLiteral("down pressed=0"),
                                QStringLiteral("click pressed=1"),
                                QStringLiteral("up pressed=0")}));
    QTest::mouseMove(&panel, QPoint(30, 70));
    ASSERT_FALSE(moves.isEmpty());
    EXPECT_EQ(moves.last().at(3).toPoint(), QPoint(30, 70));
}

TEST_F(CaptionPanelShown, HiddenButtonLeavesThePlainStripAndTakesNoPress)
{
    struct PaintCounter : QObject {
        int count = 0;
        bool eventFilter(QObject *, QEvent *e) override
        {
            count += e->type() == QEvent::Paint;
            return false;
        }
    } paints;
    panel.installEventFilter(&paints);
    const QRect was = panel.buttonRect();
    panel.setButtonVisible(false);
    // At once, before any event is processed.
    EXPECT_GE(paints.count, 1);
    panel.removeEventFilter(&paints);

    const QRect r = panel.buttonRect();
    EXPECT_EQ(QList<int>({r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}),
              QList<int>({-1, -1, -1, -1}));
    const QRect inner(2, 2, 196, 20);
    EXPECT_EQ(extentOf(shot(panel), inner, face), inner);

    QSignalSpy clicks(&panel, &TFECustomCaptionPanel::OnBtnClick);
    for (QPoint p : {was.center(), QPoint(196, 12), QPoint(-1, -1)}) {
        QTest::mousePress(&panel, Qt::LeftButton, {}, p);
        EXPECT_FALSE(panel.isPressed());
        QTest::mouseRelease(&panel, Qt::LeftButton, {}, p);
    }
    EXPECT_EQ(clicks.count(), 0);
}

TEST(CaptionPanel, CaptionIsCentredInTheStripAndAlignedInTheTextArea)
{
    enum class Where { None, Left, Centre, Right };
    using enum Where;
    const QString www = QStringLiteral("WWW"), longText(60, QLatin1Char('W'));
    const struct {
        QString caption;
        Qt::Alignment alignment;
        Qt::LayoutDirection direction;
        bool button;
        Where where;
    } cases[] = {
        {www, Qt::AlignLeft, Qt::LeftToRight, true, Left},
        {www, Qt::AlignHCenter, Qt::LeftToRight, true, Centre},
        {www, Qt::AlignRight, Qt::LeftToRight, true, Right},
        {www, Qt::AlignRight, Qt::LeftToRight, false, Right},
        {www, Qt::AlignLeft, Qt::RightToLeft, true, Right},
        {longText, Qt::AlignLeft, Qt::LeftToRight, true, Left}, // clipped before the button
        {QString(), Qt::AlignLeft, Qt::LeftToRight, true, None},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.caption.size() << " " << int(c.where));
        TFECaptionPanel p;
        useTestColours(p);
        p.setCaption(c.caption);
        p.setAlignment(c.alignment);
        p.setLayoutDirection(c.direction);
        p.setButtonVisible(c.button);
        const QImage img = shot(p);
        const QRect area = p.captionLayout().text;
        const QRect text = extentOf(img, img.rect(), ink);
        EXPECT_EQ(area.x() + area.width(), c.button ? p.buttonRect().x() - 2 : 196);
        EXPECT_EQ(area.y(), (2 + 22 - QFontMetrics(p.font()).height()) / 2);
        if (c.where == None) {
            EXPECT_TRUE(text.isNull());
            continue;
        }
        EXPECT_TRUE(area.contains(text));
        const int slack = c.where == Left     ? text.left() - area.left()
                        : c.where == Right    ? area.right() - text.right()
                                              : std::abs(text.center().x() - area.center().x());
        EXPECT_LE(slack, 3);
    }
}
