#include "FormParts.h"

#include "FeCapPnl.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace FormParts {

TFECaptionPanel *viewPanel(QWidget *stack, const QString &name, const QString &caption)
{
    auto *panel = new TFECaptionPanel(stack);
    panel->setObjectName(name);
    panel->setCaption(caption);
    panel->setButtonVisible(false);
    return panel;
}

QVBoxLayout *viewRows(TFECaptionPanel *view)
{
    auto *rows = new QVBoxLayout(view);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    return rows;
}

QLineEdit *labelledEdit(QWidget *parent, const QString &name, const QString &label, int left, int top, int width,
                        int height)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(left, top, width, height);
    auto *caption = new QLabel(label, parent);
    caption->setObjectName(name + QStringLiteral("Label"));
    caption->setBuddy(edit);
    caption->adjustSize();
    // The label stands 3 pixels above its field.
    caption->move(left, top - caption->height() - 3);
    return edit;
}

QCheckBox *checkBox(QWidget *parent, const QString &name, const QString &caption, int left, int top, int width)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setGeometry(left, top, std::max(width, box->sizeHint().width()), 17);
    return box;
}

QPushButton *button(QWidget *parent, const QString &name, const QString &caption, int left, int top, int width,
                    int height)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(left, top, width, height);
    return b;
}

QToolBar *toolBar(QWidget *parent, const QString &name)
{
    auto *bar = new QToolBar(parent);
    bar->setObjectName(name);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->setFixedHeight(29);
    // The buttons lie flush against the bar's edges, as their 30 x 28 places need.
    bar->setStyleSheet(QStringLiteral("QToolBar { border: 0px; padding: 0px; spacing: 0px; }"));
    return bar;
}

static QToolButton *addButton(QToolBar *bar, QToolButton *b, const QString &name)
{
    b->setObjectName(name);
    b->setFixedSize(30, 28);
    b->setAutoRaise(true);
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->addWidget(b);
    return b;
}

QToolButton *actionButton(QToolBar *bar, const QString &name, QAction *action)
{
    auto *b = new QToolButton(bar);
    b->setDefaultAction(action);
    return addButton(bar, b, name);
}

QToolButton *plainButton(QToolBar *bar, const QString &name, const QIcon &icon, const QString &toolTip,
                         const QString &caption)
{
    auto *b = new QToolButton(bar);
    b->setIcon(icon);
    b->setText(caption);
    b->setToolTip(toolTip);
    return addButton(bar, b, name);
}

QTableView *grid(QWidget *parent, const QString &name, QAbstractItemModel *model, std::initializer_list<int> widths)
{
    auto *g = new QTableView(parent);
    g->setObjectName(name);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setShowGrid(true);
    g->setWordWrap(false);
    g->verticalHeader()->hide();
    // Fixed row heights keep a grid of a hundred thousand rows as quick as one of ten.
    g->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    g->verticalHeader()->setDefaultSectionSize(24);
    g->horizontalHeader()->setFixedHeight(24);
    g->horizontalHeader()->setHighlightSections(false);
    g->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    g->setModel(model);
    int column = 0;
    for (int width : widths)
        g->setColumnWidth(column++, width);
    return g;
}

} // namespace FormParts
