#include "GXOutlookStream.h"
#include "navbar_test_util.h"

#include <QAction>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <map>

namespace {

// The actions and handlers of a window, found by name as a layout refers to them.
struct Window {
    std::map<QString, std::unique_ptr<QAction>> actions;
    std::map<QString, int> runs;

    QAction *addAction(const QString &name, const QString &caption, const QString &handler)
    {
        auto action = std::make_unique<QAction>(caption);
        action->setObjectName(name);
        setActionExecute(action.get(), this->handler(handler));
        return (actions[name] = std::move(action)).get();
    }
    TGXNotifyEvent handler(const QString &name)
    {
        return TGXNotifyEvent(name, [this, name](QObject *) { ++runs[name]; });
    }
    TGXStreamNames names()
    {
        return {[this](const QString &n) -> QAction * {
                    auto it = actions.find(n);
                    return it == actions.end() ? nullptr : it->second.get();
                },
                [this](const QString &n) { return handler(n); }};
    }
};

struct ItemValues {
    QAction *action;
    QString caption;
    bool enabled;
    int imageIndex;
    int tag;
    bool visible;
    QString onClick;
    friend bool operator==(const ItemValues &, const ItemValues &) = default;
};

std::vector<std::pair<QString, std::vector<ItemValues>>> contents(const TGXCustomOutlookBar &bar)
{
    std::vector<std::pair<QString, std::vector<ItemValues>>> out;
    for (int b = 0; b < bar.ButtonCount(); ++b) {
        const TGXOutlookItems *button = bar.Buttons(b);
        std::vector<ItemValues> items;
        for (int k = 0; k < button->Count(); ++k) {
            const TGXOutlookItem *i = button->Items(k);
            items.push_back({i->Action(), i->Caption(), i->Enabled(), i->ImageIndex(), i->Tag(),
                             i->Visible(), i->OnClick().Name()});
        }
        out.emplace_back(button->Caption(), items);
    }
    return out;
}

} // namespace

TEST(NavbarStream, WriteThenReadKeepsEveryButtonItemAndProperty)
{
    Window window;
    QAction *newAction = window.addAction(QStringLiteral("NewObiClick"), QStringLiteral("New"),
                                          QStringLiteral("NewObiClickExecute"));
    QAction *inbox = window.addAction(QStringLiteral("InBoxObi"), QStringLiteral("InBoxObi"),
                                      QStringLiteral("InBoxObiExecute"));

    TFEGXOutlookBar source;
    TGXOutlookItems *standard = source.AddButton(QStringLiteral("Standard"));
    TGXOutlookItem *a = standard->Add();
    a->setAction(newAction);
    a->setImageIndex(0);
    TGXOutlookItem *b = standard->Add();
    b->setAction(inbox);
    b->setCaption(QStringLiteral("InBox"));
    b->setImageIndex(4);
    TGXOutlookItem *c = standard->Add();
    c->setCaption(QStringLiteral("It's A&&B \u00e9\u4e2d\n"));
    c->setEnabled(false);
    c->setVisible(false);
    c->setTag(-77);
    c->setImageIndex(-1);
    c->setOnClick(window.handler(QStringLiteral("Loose")));
    source.AddButton(QStringLiteral("Empty"));
    source.AddButton(QString())->Add();

    const QString text = writeOutlookList(source);
    EXPECT_TRUE(text.startsWith(QStringLiteral("List = (\n  'Standard'\n  <\n    item\n"
                                               "      Action = NewObiClick\n"
                                               "      Caption = 'New'\n"
                                               "      Enabled = True\n"
                                               "      ImageIndex = 0\n"
                                               "      Tag = 0\n"
                                               "      Visible = True\n"
                                               "      OnClick = NewObiClickExecute\n"
                                               "    end\n")))
        << text.toStdString();

    TFEGXOutlookBar target;
    QString error;
    ASSERT_TRUE(readOutlookBar(target, text, window.names(), &error)) << error.toStdString();
    EXPECT_EQ(contents(target), contents(source));
    EXPECT_EQ(writeOutlookList(target), text);

    // The layout's caption wins over the action's; the action's handler runs on a click.
    EXPECT_EQ(target.Buttons(0)->Items(1)->Caption(), QStringLiteral("InBox"));
    target.Buttons(0)->Items(1)->Click();
    target.Buttons(0)->Items(2)->Click();
    EXPECT_EQ(window.runs[QStringLiteral("InBoxObiExecute")], 1);
    EXPECT_EQ(window.runs[QStringLiteral("Loose")], 1);

    // Reading appends to the buttons already there.
    ASSERT_TRUE(readOutlookBar(target, text, window.names()));
    EXPECT_EQ(target.ButtonCount(), 6);
}

TEST(NavbarStream, LoadingStoresWithoutChecksOrEvents)
{
    Window window;
    window.addAction(QStringLiteral("SettingsObi"), QStringLiteral("Settings"),
                     QStringLiteral("SettingsObiExecute"));
    TFEGXOutlookBar bar;
    QSignalSpy change(&bar, &TGXCustomOutlookBar::OnChange);
    const QString layout = QStringLiteral(
        "ScrollDelay = 7\nSmoothScrolling = False\nFrameStyle = fsRowRaised\n"
        "SelectedButton = 0\nSelectedItem = 5\n"
        "List = ('Standard' <item Action = SettingsObi ImageIndex = 3 end>)\n");
    ASSERT_TRUE(readOutlookBar(bar, layout, window.names()));
    EXPECT_FALSE(bar.Loading());
    EXPECT_EQ(bar.ScrollDelay(), 7);
    EXPECT_FALSE(bar.SmoothScrolling());
    EXPECT_EQ(bar.FrameStyle(), GX::fsRowRaised);
    EXPECT_EQ(bar.SelectedItem(), 5) << "taken as stored";
    EXPECT_EQ(change.count(), 0);
    // The after-loading pass fills the empty caption from the action.
    EXPECT_EQ(bar.Buttons(0)->Items(0)->Caption(), QStringLiteral("Settings"));
    EXPECT_EQ(bar.Buttons(0)->Items(0)->OnClick().Name(), QStringLiteral("SettingsObiExecute"));
    bar.show();
    navtest::paint(bar); // an unchecked SelectedItem must paint safely

    TFEGXOutlookBar empty;
    EXPECT_TRUE(writeOutlookList(empty).isEmpty());
    ASSERT_TRUE(readOutlookBar(empty, QStringLiteral("Spacing = 12\n"), window.names()));
    EXPECT_EQ(empty.ButtonCount(), 0);
    EXPECT_EQ(empty.SelectedButton(), -1);
    EXPECT_EQ(empty.Spacing(), 12);
}

TEST(NavbarStream, UnreadableLayoutsAreReported)
{
    Window window;
    const std::vector<QString> bad = {
        QStringLiteral("List = ('A' <item Action = Missing end>)"),
        QStringLiteral("List = ('A' <item OnClick = 12 end>)"),
        QStringLiteral("List = ('A' <item Colour = 1 end>)"),
        QStringLiteral("List = ('A' <item Caption = 'open"),
        QStringLiteral("NoSuchProperty = 1"),
        QStringLiteral("List = ('A' <"),
    };
    for (const QString &text : bad) {
        SCOPED_TRACE(text.toStdString());
        TFEGXOutlookBar bar;
        QString error;
        EXPECT_FALSE(readOutlookBar(bar, text, window.names(), &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(bar.Loading());
    }
}
