#include "Unit1.h"

#include "FeCapPnl.h"
#include "FormatCommands.h"
#include "GXActionHandler.h"
#include "GXImageList.h"
#include "GX_Outlook.h"

#include <QAction>
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QShortcut>
#include <QTableView>
#include <QTextEdit>
#include <QIcon>
#include <QPainter>

namespace {

const char *const Category = "category";

const char *const NavigationPictures[] = {"new", "address-list", "address-edit", "settings", "inbox", "reader"};
const char *const ToolBarPictures[] = {
    "00-mail-send-receive", "01-edit-delete", "02-package-x-generic", "03-mail-forward", "04-document-new",
    "05-address-book-new", "06-contact-new", "07-mail-attachment", "08-folder", "09-mail-reply-sender",
    "10-document-open", "11-document-save-as", "12-format-text-bold", "13-format-text-italic",
    "14-format-text-underline", "15-format-justify-left", "16-format-justify-center", "17-format-justify-right",
    nullptr, "19-edit-clear", "20-view-refresh"};

// Three dots, each before a line of text.
QPixmap bulletsPicture()
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int row = 0; row < 3; ++row) {
        const int y = 3 + row * 5;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(46, 52, 54));
        painter.drawEllipse(QPointF(3, y + 0.5), 1.8, 1.8);
        painter.setPen(QPen(QColor(85, 87, 83), 1));
        painter.drawLine(QPointF(7, y + 0.5), QPointF(15, y + 0.5));
    }
    return picture;
}

} // namespace

void TForm1::buildImageLists()
{
    ImageList1 = new TGXImageList(32, 32, this);
    ImageList1->setObjectName(QStringLiteral("ImageList1"));
    for (const char *name : NavigationPictures)
        ImageList1->Add(QPixmap(QStringLiteral(":/icons/32/%1.png").arg(QLatin1String(name))));

    ImageListToolBar = new TGXImageList(16, 16, this);
    ImageListToolBar->setObjectName(QStringLiteral("ImageListToolBar"));
    for (const char *name : ToolBarPictures)
        ImageListToolBar->Add(name ? QPixmap(QStringLiteral(":/icons/16/%1.png").arg(QLatin1String(name)))
                                   : bulletsPicture());

    QIcon icon;
    icon.addPixmap(QPixmap(QStringLiteral(":/icons/16/window-icon.png")));
    icon.addPixmap(ImageList1->Picture(4));
    setWindowIcon(icon);
}

QAction *TForm1::makeAction(const char *name, const char *category, const QString &caption, void (TForm1::*handler)())
{
    auto *a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    a->setProperty(Category, QLatin1String(category));
    if (handler) {
        // The execute handler the navigation bar's items compare their OnClick with.
        setActionExecute(a, TGXNotifyEvent(QLatin1String(name) + QStringLiteral("Execute"),
                                           [this, handler](QObject *) { (this->*handler)(); }));
    }
    QWidget::addAction(a);
    return a;
}

void TForm1::buildActions()
{
    const char *const outlook = "Outlook bar (standard)";
    NewObiClick = makeAction("NewObiClick", outlook, QStringLiteral("New"), &TForm1::NewObiClickExecute);
    AdrObiClick = makeAction("AdrObiClick", outlook, QStringLiteral("Addresses List"), &TForm1::AdrObiClickExecute);
    adrObiClk2 = makeAction("adrObiClk2", outlook, QStringLiteral("Addresses Edit"), &TForm1::adrObiClk2Execute);
    SettingsObi = makeAction("SettingsObi", outlook, QStringLiteral("Settings"), &TForm1::SettingsObiExecute);
    InBoxObi = makeAction("InBoxObi", outlook, QStringLiteral("InBoxObi"), &TForm1::InBoxObiExecute);
    MailReaderObi = makeAction("MailReaderObi", outlook, QStringLiteral("Mail Reader"), &TForm1::MailReaderObiExecute);

    Sendi = makeAction("Sendi", "Toolbar (new)", QStringLiteral("Send"), &TForm1::SendiExecute);
    ClearNewI = makeAction("ClearNewI", "Toolbar (new)", QStringLiteral("ClearNewI"), &TForm1::ClearNewIExecute);
    ClearNewI->setToolTip(QStringLiteral("Clear/New Message"));
    Checki = makeAction("Checki", "Toolbar (main)", QStringLiteral("Check Mail"), &TForm1::CheckiExecute);
    Checki->setToolTip(QStringLiteral("Check for New Mail"));
    InboxDeleteMsg = makeAction("InboxDeleteMsg", "Toolbar (InBox)", QStringLiteral("Delete Message"),
                                &TForm1::InboxDeleteMsgExecute);
    packI = makeAction("packI", "Toolbar (InBox)", QStringLiteral("packI"), &TForm1::PackInboxIClick);

    Startup = makeAction("Startup", "System", QStringLiteral("Startup"), &TForm1::StartupExecute);
    CreateMessageFile = makeAction("CreateMessageFile", "System", QStringLiteral("CreateMessageFile"),
                                   &TForm1::CreateMessageFileExecute);
    Send = makeAction("Send", "System", QStringLiteral("Send"), &TForm1::SendExecute);
    AddressPopulate = makeAction("AddressPopulate", "System", QStringLiteral("Populate Address grid"),
                                 &TForm1::AddressPopulateExecute);
    EExpander = makeAction("EExpander", "System", QStringLiteral("Expander"), nullptr);
    OkToStart = makeAction("OkToStart", "System", QStringLiteral("Ok To Start"), nullptr);

    // The formatting commands act on whichever rich-text editor has the focus.
    struct Format
    {
        QAction *TForm1::*member;
        const char *name;
        const char *caption;
        const char *hint; // tooltip|longer description
        QKeySequence shortcut;
        int picture;
    };
    const Format formats[] = {
        {&TForm1::RichEditBold1, "RichEditBold1", "&Bold", "Bold", QKeySequence(Qt::CTRL | Qt::Key_B), 12},
        {&TForm1::RichEditItalic1, "RichEditItalic1", "&Italic", "Italic", QKeySequence(Qt::CTRL | Qt::Key_I), 13},
        {&TForm1::RichEditUnderline1, "RichEditUnderline1", "&Underline", "Underline",
         QKeySequence(Qt::CTRL | Qt::Key_U), 14},
        {&TForm1::RichEditAlignLeft1, "RichEditAlignLeft1", "Align &Left", "Align Left|Aligns text at the left indent",
         {}, 15},
        {&TForm1::RichEditAlignCenter1, "RichEditAlignCenter1", "&Center", "Center|Centers text between margins", {},
         16},
        {&TForm1::RichEditAlignRight1, "RichEditAlignRight1", "Align &Right",
         "Align Right|Aligns text at the right indent", {}, 17},
        {&TForm1::RichEditBullets1, "RichEditBullets1", "&Bullets", "Bullets|Inserts a bullet on the current line", {},
         18},
    };
    for (const Format &f : formats) {
        QAction *a = makeAction(f.name, "Format", QString::fromLatin1(f.caption), nullptr);
        this->*f.member = a;
        const QStringList hint = QString::fromLatin1(f.hint).split(QLatin1Char('|'));
        a->setToolTip(hint.first());
        a->setStatusTip(hint.value(1));
        a->setShortcut(f.shortcut);
        a->setIcon(ImageListToolBar->Picture(f.picture));
        a->setCheckable(true);
    }
    m_formatCommands = new FormatCommands({RichEditBold1, RichEditItalic1, RichEditUnderline1, RichEditAlignLeft1,
                                           RichEditAlignCenter1, RichEditAlignRight1, RichEditBullets1},
                                          this);
}

void TForm1::buildShortcuts()
{
    // Ctrl+1 to Ctrl+6, F5 and Ctrl+Return are the menu bar's (buildMenuBar).
    auto *remove = new QShortcut(QKeySequence::Delete, InBoxG);
    remove->setContext(Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, InboxDeleteMsg, &QAction::trigger);

    // Every control can be told apart by a screen reader: buttons that show only a picture
    // are named by their tooltip, fields by their label or their role.
    const std::pair<QWidget *, const char *> roles[] = {
        {SubjectE, "Subject"},       {ToC, "Recipients"},     {AttachC, "Attachments"},
        {RichEdit1, "Message text"}, {ReadRichEdit, "Message"}, {InBoxG, "Messages"},
        {AddressG, "Address book"}};
    for (const auto &[widget, name] : roles)
        widget->setAccessibleName(QLatin1String(name));
    for (QAbstractButton *button : findChildren<QAbstractButton *>()) {
        if (button->accessibleName().isEmpty() && button->text().isEmpty())
            button->setAccessibleName(button->toolTip());
    }
}

void TForm1::showItem(int item)
{
    run([this, item] {
        if (!OkToStartExecute())
            return;
        FEGXOutlookBar1->setSelectedButton(0);
        FEGXOutlookBar1->setSelectedItem(item);
        if (QAction *a = FEGXOutlookBar1->Buttons(0)->Items(item)->Action())
            a->trigger();
    });
}
