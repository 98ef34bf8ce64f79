#pragma once

#include "FeCapLayout.h"

#include <QColor>
#include <QString>
#include <QWidget>

class QPainter;

// A panel with a caption strip across its top and an optional close-style button at the
// strip's right end; children are laid out below the strip.
class TFECustomCaptionPanel : public QWidget
{
    Q_OBJECT

public:
    using Bevel = FeCap::Bevel;
    using Look = FeCap::Look;

    explicit TFECustomCaptionPanel(QWidget *parent = nullptr);

    quint16 captionHeight() const { return mCaptionHeight; }
    void setCaptionHeight(quint16 height);
    bool buttonFlat() const { return mButtonFlat; }
    void setButtonFlat(bool flat);
    bool buttonVisible() const { return mButtonVisible; }
    void setButtonVisible(bool visible);

    // Panel properties the painting uses.
    Qt::Alignment alignment() const { return mAlignment; }
    void setAlignment(Qt::Alignment alignment);
    Bevel bevelOuter() const { return mBevelOuter; }
    void setBevelOuter(Bevel bevel);
    Bevel bevelInner() const { return mBevelInner; }
    void setBevelInner(Bevel bevel);
    int bevelWidth() const { return mBevelWidth; }
    void setBevelWidth(int width);
    int borderWidth() const { return mBorderWidth; }
    void setBorderWidth(int width);
    // Follows the palette's button face until a colour of its own is set; an invalid
    // colour goes back to following it.
    QColor color() const;
    void setColor(const QColor &color);
    QString caption() const { return mCaption; }
    void setCaption(const QString &caption);

    FeCap::Layout captionLayout() const;
    QRect buttonRect() const { return captionLayout().button; }
    bool isHover() const { return mHover; }
    bool isPressed() const { return mPressed; }
    Look buttonLook() const { return mLook; }

signals:
    void OnBtnClick(QObject *sender);
    void OnMouseDown(QObject *sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                     QPoint pos);
    void OnMouseMove(QObject *sender, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
                     QPoint pos);
    void OnMouseUp(QObject *sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                   QPoint pos);

protected:
    // Paints the button in `look` onto `rect`; a descendant may draw its own button.
    virtual void paintButton(QPainter &painter, const QRect &rect, Look look);

    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    Look restLook() const { return mButtonFlat ? Look::Flat : Look::Raised; }
    void showLook(Look look);
    void frameChanged();

    quint16 mCaptionHeight = 22;
    bool mButtonFlat = true;
    bool mHover = false;
    bool mPressed = false;
    bool mButtonVisible = true;
    // Qt paints only in paint events, so the look last asked for is kept for them.
    Look mLook = Look::Flat;

    Qt::Alignment mAlignment = Qt::AlignHCenter;
    Bevel mBevelOuter = Bevel::Lowered;
    Bevel mBevelInner = Bevel::None;
    int mBevelWidth = 1;
    int mBorderWidth = 0;
    QColor mColor;
    QString mCaption;
};

// The caption panel as forms use it: every property reachable by name.
class TFECaptionPanel : public TFECustomCaptionPanel
{
    Q_OBJECT
    Q_PROPERTY(bool ButtonFlat READ buttonFlat WRITE setButtonFlat)
    Q_PROPERTY(bool ButtonVisible READ buttonVisible WRITE setButtonVisible)
    Q_PROPERTY(quint16 CaptionHeight READ captionHeight WRITE setCaptionHeight)
    Q_PROPERTY(Qt::Alignment Alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(FeCap::Bevel BevelOuter READ bevelOuter WRITE setBevelOuter)
    Q_PROPERTY(FeCap::Bevel BevelInner READ bevelInner WRITE setBevelInner)
    Q_PROPERTY(int BevelWidth READ bevelWidth WRITE setBevelWidth)
    Q_PROPERTY(int BorderWidth READ borderWidth WRITE setBorderWidth)
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)

public:
    using TFECustomCaptionPanel::TFECustomCaptionPanel;
};
