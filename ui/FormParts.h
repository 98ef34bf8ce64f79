#pragma once

#include <QString>

#include <initializer_list>

class QAbstractItemModel;
class QAction;
class QCheckBox;
class QIcon;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolBar;
class QToolButton;
class QVBoxLayout;
class QWidget;
class TFECaptionPanel;

// Small builders shared by the views: every control gets its name as objectName and its
// place in pixels within its view.
namespace FormParts {

// A view: a caption panel with its button hidden, made in the stack so that it has the
// window's font from the start and its controls measure their texts in it.
TFECaptionPanel *viewPanel(QWidget *stack, const QString &name, const QString &caption);

// The layout of a view's aligned children, filling the area below the caption strip.
QVBoxLayout *viewRows(TFECaptionPanel *view);

// An edit field with its label just above it; the label is named name + "Label".
QLineEdit *labelledEdit(QWidget *parent, const QString &name, const QString &label, int left, int top,
                        int width, int height = 21);
// A check box 17 pixels high, at least `width` wide and wide enough for its caption.
QCheckBox *checkBox(QWidget *parent, const QString &name, const QString &caption, int left, int top, int width);
QPushButton *button(QWidget *parent, const QString &name, const QString &caption, int left, int top, int width,
                    int height);

// A toolbar 29 pixels high whose buttons are 30 x 28 with 16-pixel pictures.
QToolBar *toolBar(QWidget *parent, const QString &name);
// A button on a toolbar running an action; it shows the action's picture and tooltip.
QToolButton *actionButton(QToolBar *bar, const QString &name, QAction *action);
// A button with a picture and tooltip of its own.
QToolButton *plainButton(QToolBar *bar, const QString &name, const QIcon &icon, const QString &toolTip,
                         const QString &caption = {});

// A grid over model with one fixed header row, whole-row selection and grid lines, rows 24
// high, columns of the widths given.
QTableView *grid(QWidget *parent, const QString &name, QAbstractItemModel *model, std::initializer_list<int> widths);

} // namespace FormParts
