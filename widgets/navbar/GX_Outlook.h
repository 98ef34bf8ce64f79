#pragma once

#include "GXActionHandler.h"
#include "GXColor.h"
#include "GXImageList.h"
#include "GXOutlookLayout.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLineEdit;
class QPainter;
class TGXCustomOutlookBar;
class TGXOutlookItem;
class TGXOutlookItems;

// Binds one item to one action. The action's caption, Enabled, Visible and execute handler
// reach the item; the action's destruction reaches the bar, which unbinds the item.
class TGXItemActionLink
{
public:
    explicit TGXItemActionLink(TGXOutlookItem *client);
    ~TGXItemActionLink();
    TGXItemActionLink(const TGXItemActionLink &) = delete;
    TGXItemActionLink &operator=(const TGXItemActionLink &) = delete;

    QAction *Action() const { return m_action; }
    void SetAction(QAction *action);
    // Runs the action as its own trigger would; answers whether it was enabled.
    bool Execute();

    // Called with the action after every change the action reports.
    std::function<void(QObject *)> OnChange;

    // One new value of the action. Each reaches the item only while the item still shows the
    // action's previous value, so a value the item set on its own is kept.
    void SetCaption(const QString &value);
    void SetEnabled(bool value);
    void SetVisible(bool value);
    void SetOnExecute(const TGXNotifyEvent &value);

private:
    void actionReported();
    void takeSnapshot();

    TGXOutlookItem *m_client;
    QAction *m_action = nullptr;
    QString m_caption;
    bool m_enabled = true;
    bool m_visible = true;
    TGXNotifyEvent m_execute;
    QMetaObject::Connection m_changed;
    QMetaObject::Connection m_executeChanged;
};

class TGXOutlookItem : public QObject
{
    Q_OBJECT
public:
    explicit TGXOutlookItem(TGXOutlookItems *collection);
    ~TGXOutlookItem() override;

    TGXOutlookItems *Collection() const { return m_collection; }
    TGXCustomOutlookBar *Bar() const;
    int Index() const;

    int ImageIndex() const { return m_imageIndex; }
    void setImageIndex(int value);
    QString Caption() const { return m_caption; }
    void setCaption(const QString &value);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool value);
    bool Visible() const { return m_visible; }
    void setVisible(bool value);
    int Tag() const { return m_tag; }
    void setTag(int value) { m_tag = value; }
    GXRect ImageRect() const { return m_imageRect; }
    void setImageRect(const GXRect &r) { m_imageRect = r; }
    GXRect TextRect() const { return m_textRect; }
    void setTextRect(const GXRect &r) { m_textRect = r; }

    QAction *Action() const;
    void setAction(QAction *action);
    // The binding a layout makes while it is read: the item's own stored values win.
    void setActionLoading(QAction *action);
    TGXItemActionLink *ActionLink() const { return m_actionLink.get(); }

    TGXNotifyEvent OnClick() const { return m_onClick; }
    void setOnClick(const TGXNotifyEvent &handler) { m_onClick = handler; }

    void Click();
    void UpdateFromAction(QObject *source, bool checkDefaults);
    void ActionChanged(QObject *sender);
    void Assign(const TGXOutlookItem &source);

private:
    void bindAction(QAction *action, bool checkDefaults);
    void changed();

    TGXOutlookItems *m_collection;
    int m_imageIndex = -1;
    QString m_caption;
    bool m_enabled = true;
    GXRect m_imageRect;
    GXRect m_textRect;
    int m_tag = 0;
    bool m_visible = true;
    std::unique_ptr<TGXItemActionLink> m_actionLink;
    TGXNotifyEvent m_onClick;
};

// One button of the bar: its caption, its strip and its items.
class TGXOutlookItems
{
public:
    explicit TGXOutlookItems(TGXCustomOutlookBar *bar = nullptr);
    ~TGXOutlookItems();
    TGXOutlookItems(const TGXOutlookItems &) = delete;
    TGXOutlookItems &operator=(const TGXOutlookItems &) = delete;

    TGXCustomOutlookBar *Bar() const { return m_bar; }
    void setBar(TGXCustomOutlookBar *bar) { m_bar = bar; }
    QString Caption() const { return m_caption; }
    void setCaption(const QString &value);
    GXRect ButtonRect() const { return m_buttonRect; }
    void setButtonRect(const GXRect &r) { m_buttonRect = r; }
    bool Visible() const { return m_visible; }
    void setVisible(bool value);

    int Count() const { return int(m_items.size()); }
    TGXOutlookItem *Items(int index) const;
    TGXOutlookItem *Add();
    void Clear();
    int IndexOf(const TGXOutlookItem *item) const;
    void Assign(const TGXOutlookItems &source);

private:
    TGXCustomOutlookBar *m_bar;
    QString m_caption;
    GXRect m_buttonRect = GXRect::none();
    bool m_visible = true;
    std::vector<std::unique_ptr<TGXOutlookItem>> m_items;
};

class TGXCustomOutlookBar : public QWidget
{
    Q_OBJECT
public:
    explicit TGXCustomOutlookBar(QWidget *parent = nullptr);
    ~TGXCustomOutlookBar() override;

    // Buttons
    int ButtonCount() const { return int(m_buttons.size()); }
    TGXOutlookItems *Buttons(int index) const;
    TGXOutlookItems *AddButton(const QString &caption = QString());
    void ClearButtons();

    // Selection
    int SelectedButton() const { return m_selectedButton; }
    void setSelectedButton(int value);
    int SelectedItem() const { return m_selectedItem; }
    void setSelectedItem(int value);
    int TopItem() const { return m_topItem; }

    // Properties
    bool AllowEditing() const { return m_allowEditing; }
    void setAllowEditing(bool value) { m_allowEditing = value; }
    QPixmap Background() const { return m_background; }
    void setBackground(const QPixmap &picture);
    // Colours answer what is painted under the current palette. Until set, ButtonColor and
    // Color follow the palette's button face and dark shadow, and the three font colours its
    // window text.
    QColor ButtonColor() const { return m_buttonColor.resolve(palette()); }
    void setButtonColor(const TGXColor &value);
    QFont ButtonFont() const { return m_buttonFont; }
    void setButtonFont(const QFont &value);
    QColor ButtonFontColor() const { return m_buttonFontColor.resolve(palette()); }
    void setButtonFontColor(const TGXColor &value);
    QColor Color() const { return m_color.resolve(palette()); }
    void setColor(const TGXColor &value);
    GX::TGXOutlookFrameStyle FrameStyle() const { return m_frameStyle; }
    void setFrameStyle(GX::TGXOutlookFrameStyle value);
    // Invalid: no fill.
    QColor ItemHightlightColor() const { return m_itemHighlightColor.resolve(palette()); }
    void setItemHightlightColor(const TGXColor &value);
    QFont ItemHightlightFont() const { return m_itemHighlightFont; }
    void setItemHightlightFont(const QFont &value);
    QColor ItemHightlightFontColor() const { return m_itemHighlightFontColor.resolve(palette()); }
    void setItemHightlightFontColor(const TGXColor &value);
    QFont SelectedFont() const { return m_selectedFont; }
    void setSelectedFont(const QFont &value);
    QColor SelectedFontColor() const { return m_selectedFontColor.resolve(palette()); }
    void setSelectedFontColor(const TGXColor &value);
    bool StripAccChar() const { return m_stripAccChar; }
    void setStripAccChar(bool value);
    TGXImageList *Images() const { return m_images; }
    void setImages(TGXImageList *images);
    GX::TGXScrollBtnStyle ScrollBtnStyle() const { return m_scrollBtnStyle; }
    void setScrollBtnStyle(GX::TGXScrollBtnStyle value);
    int ScrollDelay() const { return m_scrollDelay; }
    void setScrollDelay(int ms) { m_scrollDelay = ms; }
    bool SmoothScrolling() const { return m_smoothScrolling; }
    void setSmoothScrolling(bool value) { m_smoothScrolling = value; }
    int Spacing() const { return m_spacing; }
    void setSpacing(int value);
    int TopSpacing() const { return m_topSpacing; }
    void setTopSpacing(int value);
    bool WordWrap() const { return m_wordWrap; }
    void setWordWrap(bool value);

    TGXOutlookChangingEvent OnChanging() const { return m_onChanging; }
    void setOnChanging(TGXOutlookChangingEvent handler) { m_onChanging = std::move(handler); }

    // State that the last paint and the mouse left behind
    int ButtonHeight() const { return m_buttonHeight; }
    int PageSize() const { return m_pageSize; }
    GXRect ItemArea() const { return m_itemArea; }
    GXRect UpArrowRect() const { return m_upArrowRect; }
    GXRect DownArrowRect() const { return m_downArrowRect; }
    int ArrowSize() const { return m_arrowSize; }
    GX::TGXHitKind PressedKind() const { return m_pressedKind; }
    int PressedIndex() const { return m_pressedIndex; }
    GX::TGXHitKind HotKind() const { return m_hotKind; }
    int HotIndex() const { return m_hotIndex; }
    int EditIndex() const { return m_editIndex; }
    bool Editing() const { return m_editing; }
    bool Animating() const { return m_animating; }
    QLineEdit *Editor() const { return m_editor.get(); }
    const QPixmap &Buffer() const { return m_buffer; }
    GXRect ClientRect() const;

    TGXHit HitTest(int x, int y) const;
    int VisibleButtonsAfter(int index) const;
    int NextVisibleButton(int index) const;

    // Loading from a layout: setters store without checks and no event fires until
    // EndLoading, which applies the bound actions.
    bool Loading() const { return m_loading; }
    void BeginLoading() { m_loading = true; }
    void EndLoading();

    // Only while Editing: Enter keeps the text, Escape drops it. Answers whether the key was
    // taken.
    bool EditorKeyPress(int key);

    // The switch animation waits ScrollDelay milliseconds of this clock after every 5-pixel
    // step; the hook runs at each step before the wait.
    void setTickSource(std::function<qint64()> clock) { m_tickSource = std::move(clock); }
    void setStepHook(std::function<void()> hook) { m_stepHook = std::move(hook); }

    virtual void Changed();
    virtual void DoChange();
    virtual void DoItemTextChange();

public slots:
    // Removal notice: an image list or an action the bar refers to is going away.
    void Notification(QObject *component);

signals:
    void OnChange(QObject *Sender);
    void OnItemClick(QObject *Sender);
    void OnItemTextClick(QObject *Sender);
    void OnItemTextChange(QObject *Sender);
    void OnDblClick(QObject *Sender);
    void OnMouseDown(QObject *Sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                     QPoint pos);
    void OnMouseUp(QObject *Sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                   QPoint pos);

protected:
    virtual void Loaded();
    void CreateWnd();

    int CalcButtonHeight() const;
    void DrawBorder(QPainter &canvas);
    void DrawButton(QPainter &canvas, int index, const GXRect &rect, bool pressed);
    void DrawItems(QPainter &canvas, int index, const GXRect &rect);
    bool DrawBackground(QPainter &canvas, const GXRect &rect);
    void DrawScrollArrow(QPainter &canvas, bool up, const GXRect &rect, bool pressed);
    void HighlightItem(QPainter &canvas, const GXRect &rect);

    void AnimateToButton(int value);
    void SlideUp();
    void SlideDown();
    void StepDelay();

    void BeginEdit();
    void EndEdit(bool accept);

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class TGXOutlookItem;
    void watchRemoval(QObject *component);
    TGXOutlookItems *openButton() const;
    GXLayoutInput layoutInput(int buttonIndex) const;
    void paintBuffer(qreal ratio);
    void leftPress(QPoint pos);
    void finishSwitch(int value);
    QColor captionColor(GXCaptionFont font) const;
    void slideStep(const GXRect &panel);

    std::vector<std::unique_ptr<TGXOutlookItems>> m_buttons;
    int m_selectedButton = -1;
    int m_selectedItem = -1;
    int m_topItem = 0;
    int m_buttonHeight = 0;
    GXRect m_upArrowRect;
    GXRect m_downArrowRect;
    GXRect m_itemArea;
    GX::TGXHitKind m_pressedKind = GX::hkNone;
    int m_pressedIndex = -1;
    GX::TGXHitKind m_hotKind = GX::hkNone;
    int m_hotIndex = -1;
    int m_oldButton = -1;
    int m_newButton = -1;
    GXRect m_source;
    GXRect m_destination;
    QPixmap m_buffer;
    // What the screen shows while the animation draws outside a paint.
    QPixmap m_canvas;
    bool m_animating = false;
    int m_editIndex = -1;
    bool m_editing = false;
    // The item the open editor renames, whichever button is open when it closes.
    QPointer<TGXOutlookItem> m_editItem;
    std::unique_ptr<QLineEdit> m_editor;
    int m_arrowSize = 16;
    int m_pageSize = 0;
    bool m_loading = false;
    bool m_windowCreated = false;

    bool m_allowEditing = false;
    QPixmap m_background;
    TGXColor m_buttonColor = TGXColor::fromRole(QPalette::Button);
    QFont m_buttonFont;
    TGXColor m_buttonFontColor = TGXColor::fromRole(QPalette::WindowText);
    TGXColor m_color = TGXColor::fromRole(QPalette::Dark);
    GX::TGXOutlookFrameStyle m_frameStyle = GX::fsNone;
    TGXColor m_itemHighlightColor;
    QFont m_itemHighlightFont;
    TGXColor m_itemHighlightFontColor = TGXColor::fromRole(QPalette::WindowText);
    QFont m_selectedFont;
    TGXColor m_selectedFontColor = TGXColor::fromRole(QPalette::WindowText);
    bool m_stripAccChar = true;
    TGXImageList *m_images = nullptr;
    GX::TGXScrollBtnStyle m_scrollBtnStyle = GX::sbButton;
    int m_scrollDelay = 5;
    bool m_smoothScrolling = true;
    int m_spacing = 10;
    int m_topSpacing = 4;
    bool m_wordWrap = false;
    TGXOutlookChangingEvent m_onChanging;

    std::function<qint64()> m_tickSource;
    std::function<void()> m_stepHook;
};

// The bar with its properties published.
class TFEGXOutlookBar : public TGXCustomOutlookBar
{
    Q_OBJECT
    Q_PROPERTY(bool AllowEditing READ AllowEditing WRITE setAllowEditing)
    Q_PROPERTY(QPixmap Background READ Background WRITE setBackground)
    Q_PROPERTY(QColor ButtonColor READ ButtonColor WRITE setButtonColor)
    Q_PROPERTY(QFont ButtonFont READ ButtonFont WRITE setButtonFont)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(GX::TGXOutlookFrameStyle FrameStyle READ FrameStyle WRITE setFrameStyle)
    Q_PROPERTY(QColor ItemHightlightColor READ ItemHightlightColor WRITE setItemHightlightColor)
    Q_PROPERTY(QFont ItemHightlightFont READ ItemHightlightFont WRITE setItemHightlightFont)
    Q_PROPERTY(QFont SelectedFont READ SelectedFont WRITE setSelectedFont)
    Q_PROPERTY(bool StripAccChar READ StripAccChar WRITE setStripAccChar)
    Q_PROPERTY(TGXImageList *Images READ Images WRITE setImages)
    Q_PROPERTY(GX::TGXScrollBtnStyle ScrollBtnStyle READ ScrollBtnStyle WRITE setScrollBtnStyle)
    Q_PROPERTY(int ScrollDelay READ ScrollDelay WRITE setScrollDelay)
    Q_PROPERTY(bool SmoothScrolling READ SmoothScrolling WRITE setSmoothScrolling)
    Q_PROPERTY(int Spacing READ Spacing WRITE setSpacing)
    Q_PROPERTY(int TopSpacing READ TopSpacing WRITE setTopSpacing)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE setWordWrap)
    Q_PROPERTY(int SelectedButton READ SelectedButton WRITE setSelectedButton)
    Q_PROPERTY(int SelectedItem READ SelectedItem WRITE setSelectedItem)
public:
    explicit TFEGXOutlookBar(QWidget *parent = nullptr) : TGXCustomOutlookBar(parent) {}
};
