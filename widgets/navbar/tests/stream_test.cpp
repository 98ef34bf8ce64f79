#include "GXOutlookStream.h"
#include "navbar_test_util.h"

#include <QFile>
#include <QAction>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

// The actions, handlers and image list of a window, found by name as a layout refers to them.
struct Window {
    std::map<QString, std::unique_ptr<QAction>> actions;
    std::map<QString, int> runs;
    std::set<QString> handlers;
    TGXImageList imageList1;
    int changingCalls = 0;
    bool allowChange = true;

    QAction *addAction(const QString &name, const QString &caption, const QString &handler)
    {
        auto action = std::make_unique<QAction>(caption);
        action->setObjectName(name);
        setActionExecute(action.get(), this->handler(handler));
        return (actions[name] = std::move(action)).get();
    }
    TGXNotifyEvent handler(const QString &name)
    {
        handlers.insert(name);
        return TGXNotifyEvent(name, [this, name](QObject *) { ++runs[name]; });
    }
    TGXStreamNames names()
    {
        TGXStreamNames n;
        n.action = [this](const QString &name) -> QAction * {
            auto it = actions.find(name);
            return it == actions.end() ? nullptr : it->second.get();
        };
        n.handler = [this](const QString &name) {
            return handlers.count(name) ? handler(name) : TGXNotifyEvent();
        };
        n.images = [this](const QString &name) {
            return name == QLatin1String("ImageList1") ? &imageList1 : nullptr;
        };
        n.changing = [this](const QString &name) -> TGXOutlookChangingEvent {
            if (name != QLatin1String("FEGXOutlookBar1Changing"))
                return {};
            return [this](QObject *, bool &canChange) {
                ++changingCalls;
                canChange = allowChange;
            };
        };
        return n;
    }
};

// The main window's bar as its layout stores it.
QString windowLayout()
{
    QFile file(QStringLiteral(QUINDLE_WINDOW_LAYOUT));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << QUINDLE_WINDOW_LAYOUT;
    return QString::fromUtf8(file.readAll());
}

void addWindowActions(Window &window)
{
    const char *const defs[][3] = {
        {"NewObiClick", "New", "NewObiClickExecute"},
        {"AdrObiClick", "Addresses List", "AdrObiClickExecute"},
        {"adrObiClk2", "Addresses Edit", "adrObiClk2Execute"},
        {"SettingsObi", "Settings", "SettingsObiExecute"},
        {"InBoxObi", "InBoxObi", "InBoxObiExecute"},
        {"MailReaderObi", "Mail Reader", "MailReaderObiExecute"},
    };
    for (const auto &d : defs)
        window.addAction(QString::fromLatin1(d[0]), QString::fromLatin1(d[1]),
                         QString::fromLatin1(d[2]));
    for (int i = 0; i < 6; ++i)
        window.imageList1.Add(navtest::solid(QColor(40 * i, 0, 0)));
}

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

TEST(NavbarStream, TheWindowsLayoutReadsAndWritesBackTheSame)
{
    Window window;
    addWindowActions(window);
    // As tall as in the window, where all six items fit.
    auto bar = navtest::makeBar(0, 0, {100, 425});
    QString error;
    ASSERT_TRUE(readOutlookBar(*bar, windowLayout(), window.names(), &error)) << error.toStdString();

    EXPECT_EQ(bar->Images(), &window.imageList1);
    EXPECT_FALSE(bar->ItemHightlightColor().isValid()) << "clNone: no fill";
    EXPECT_EQ(bar->SelectedButton(), 0);
    EXPECT_EQ(bar->SelectedItem(), -1);
    for (const QFont &font : {bar->ButtonFont(), bar->SelectedFont(), bar->ItemHightlightFont()}) {
        EXPECT_EQ(font.family(), QStringLiteral("MS Sans Serif"));
        EXPECT_EQ(font.pixelSize(), 11);
        EXPECT_FALSE(font.bold() || font.italic() || font.underline() || font.strikeOut());
    }
    // System colours follow the palette.
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Dark, QColor(4, 5, 6));
    palette.setColor(QPalette::WindowText, QColor(7, 8, 9));
    bar->setPalette(palette);
    EXPECT_EQ(bar->ButtonColor(), QColor(1, 2, 3));
    EXPECT_EQ(bar->Color(), QColor(4, 5, 6));
    for (const QColor &c : {bar->ButtonFontColor(), bar->SelectedFontColor(),
                            bar->ItemHightlightFontColor()})
        EXPECT_EQ(c, QColor(7, 8, 9));

    // A click on a picture asks the window's OnChanging before the action runs.
    TGXOutlookItems *standard = bar->Buttons(0);
    ASSERT_EQ(standard->Count(), 6);
    EXPECT_EQ(standard->Items(4)->Caption(), QStringLiteral("InBox"));
    EXPECT_EQ(standard->Items(4)->ImageIndex(), 4);
    navtest::paint(*bar);
    ASSERT_NE(standard->Items(5)->ImageRect(), GXRect());
    const QPoint inbox = navtest::centre(standard->Items(4)->ImageRect());
    window.allowChange = false;
    navtest::click(*bar, inbox);
    EXPECT_EQ(window.runs[QStringLiteral("InBoxObiExecute")], 0);
    window.allowChange = true;
    navtest::click(*bar, inbox);
    EXPECT_EQ(window.runs[QStringLiteral("InBoxObiExecute")], 1);
    EXPECT_EQ(window.changingCalls, 2);

    // An item bound to an action without a name is written without it.
    QAction anonymous(QStringLiteral("Anonymous"));
    setActionExecute(&anonymous, window.handler(QStringLiteral("AnonymousExecute")));
    standard->Add()->setAction(&anonymous);
    const QString text = writeOutlookList(*bar);
    EXPECT_FALSE(text.contains(QStringLiteral("OnClick"))) << "handlers come with their actions";
    EXPECT_FALSE(text.contains(QStringLiteral("Action = \n")));
    TFEGXOutlookBar fresh;
    ASSERT_TRUE(readOutlookBar(fresh, text, window.names(), &error)) << error.toStdString();
    EXPECT_EQ(writeOutlookList(fresh), text);
    EXPECT_EQ(fresh.Buttons(0)->Items(6)->Caption(), QStringLiteral("Anonymous"));

    // Colours by name and by number, blue in the high byte; fonts with style and points.
    struct ColourCase {
        const char *text;
        QColor expected;
    };
    const std::vector<ColourCase> colours = {
        {"clRed", QColor(255, 0, 0)},        {"$000000FF", QColor(255, 0, 0)},
        {"$00FF0000", QColor(0, 0, 255)},    {"16711680", QColor(0, 0, 255)},
        {"clBtnHighlight", palette.color(QPalette::Light)},
        {"-16777201", QColor(1, 2, 3)},      {"$FF000010", QColor(4, 5, 6)},
        {"clNone", QColor()},                {"$1FFFFFFF", QColor()},
    };
    for (const ColourCase &c : colours) {
        SCOPED_TRACE(c.text);
        TFEGXOutlookBar target;
        target.setPalette(palette);
        target.setItemHightlightColor(Qt::green);
        const QString line = QStringLiteral("ItemHightlightColor = ") + QLatin1String(c.text);
        ASSERT_TRUE(readOutlookBar(target, line, window.names(), &error)) << error.toStdString();
        EXPECT_EQ(target.ItemHightlightColor(), c.expected);
    }
    TFEGXOutlookBar styled;
    ASSERT_TRUE(readOutlookBar(styled,
                               QStringLiteral("SelectedFont.Style = [fsBold, fsStrikeOut]\n"
                                              "SelectedFont.Size = 12\n"
                                              "SelectedFont.Color = clBlue\n"),
                               window.names(), &error))
        << error.toStdString();
    EXPECT_TRUE(styled.SelectedFont().bold() && styled.SelectedFont().strikeOut());
    EXPECT_FALSE(styled.SelectedFont().italic());
    EXPECT_EQ(styled.SelectedFont().pointSize(), 12);
    EXPECT_EQ(styled.SelectedFontColor(), QColor(0, 0, 255));
}

TEST(NavbarStream, AFailedReadLeavesTheBarAsItWas)
{
    Window window;
    addWindowActions(window);
    TGXImageList otherList;
    auto bar = navtest::makeBar(2, 3);
    bar->setSpacing(7);
    bar->setButtonColor(QColor(10, 20, 30));
    QFont font = bar->ButtonFont();
    font.setPixelSize(17);
    bar->setButtonFont(font);
    bar->setFrameStyle(GX::fsRaised);
    bar->setImages(&otherList);
    bar->setSelectedButton(1);
    bar->setSelectedItem(2);
    const auto state = [](const TGXCustomOutlookBar &b) {
        return std::make_pair(contents(b),
                              QVariantList{b.SelectedButton(), b.SelectedItem(), b.TopItem(),
                                           b.Spacing(), b.ButtonColor(), b.Color(),
                                           b.ItemHightlightColor(), b.ButtonFont(),
                                           b.SelectedFont(), b.SelectedFontColor(),
                                           int(b.FrameStyle()), quintptr(b.Images()),
                                           bool(b.OnChanging()), b.Loading()});
    };
    const auto before = state(*bar);

    struct Case {
        const char *text;
        const char *named; // what the message must name
    };
    const std::vector<Case> cases = {
        {"Spacing = 20\nList = ('A' <item Caption = 'x' end> 'B' <item Action = Missing end>)",
         "Missing"},
        {"ButtonColor = clRed\nImages = ImageList2", "ImageList2"},
        {"SelectedButton = 0\nOnChanging = Nobody", "Nobody"},
        {"List = ('A' <item OnClick = Unknown end>)", "Unknown"},
        {"SelectedItem = 0\nOnChange = Unknown", "Unknown"},
        {"ItemHightlightColor = clNoSuch", "clNoSuch"},
        {"ItemHightlightColor = $01000000", ""},
        {"ButtonFont.Style = [fsBold, fsWide]", "fsWide"},
        {"ButtonFont.Height = -30\nButtonFont.Weight = 3", "Weight"},
        {"SelectedFont.Color = clRed\nFrameStyle = fsNoSuch", "fsNoSuch"},
        {"List = ('A' <item OnClick = 12 end>)", ""},
        {"List = ('A' <item Colour = 1 end>)", "Colour"},
        {"List = ('A' <item Caption = 'open", ""},
        {"NoSuchProperty = 1", "NoSuchProperty"},
        {"Spacing = True", ""},
        {"Background = 1", "Background"},
        {"List = ('A' <", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        QString error;
        EXPECT_FALSE(readOutlookBar(*bar, QString::fromLatin1(c.text), window.names(), &error));
        EXPECT_TRUE(error.contains(QLatin1String(c.named))) << error.toStdString();
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(state(*bar), before);
    }
}
