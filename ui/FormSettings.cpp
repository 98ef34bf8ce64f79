#include "Unit1.h"

#include "Dialogs.h"
#include "DropFiles.h"
#include "FeCapPnl.h"
#include "FolderText.h"
#include "FormParts.h"
#include "MailArrival.h"
#include "FileOps.h"
#include "Paths.h"

#include <QStackedWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QLabel>
#include <QScopeGuard>
#include <QSpinBox>

namespace {
constexpr int FolderFieldWidth = 121; // where the folder fields rest
}

void TForm1::buildSettingsView()
{
    SettingsPan = FormParts::viewPanel(m_stack, QStringLiteral("SettingsPan"), QStringLiteral("Settings"));
    QWidget *view = SettingsPan;
    YourNameE = FormParts::labelledEdit(view, QStringLiteral("YourNameE"), QStringLiteral("Your Name"), 40, 72,
                                        FolderFieldWidth);
    YourInBoxE = FormParts::labelledEdit(view, QStringLiteral("YourInBoxE"), QStringLiteral("Your Inbox"), 40, 136,
                                         FolderFieldWidth);
    auto *button1 = FormParts::button(view, QStringLiteral("Button1"), QStringLiteral("Browse"), 40, 160, 49, 21);
    AddresLocE = FormParts::labelledEdit(view, QStringLiteral("AddresLocE"), QStringLiteral("Address List Folder"),
                                         40, 208, FolderFieldWidth);
    auto *button2 = FormParts::button(view, QStringLiteral("Button2"), QStringLiteral("Browse"), 40, 232, 49, 21);
    auto *button3 = FormParts::button(view, QStringLiteral("Button3"), QStringLiteral("Browse"), 40, 304, 49, 21);
    InBoxLocE = FormParts::labelledEdit(view, QStringLiteral("InBoxLocE"), QStringLiteral("Inbox Datafile Folder"),
                                        40, 280, FolderFieldWidth);
    AutoOAdress = FormParts::checkBox(view, QStringLiteral("AutoOAdress"), QStringLiteral("Auto Optimise Address Book"),
                                      224, 72, 161);
    AutoOInbox = FormParts::checkBox(view, QStringLiteral("AutoOInbox"), QStringLiteral("Auto Optimise Inbox"), 224,
                                     104, 121);
    // Automatic collection and the notice of new mail: this program's own settings, in rows
    // where no folder field widens under the mouse.
    auto *every = new QLabel(QStringLiteral("Collect every"), view);
    every->setObjectName(QStringLiteral("CollectEveryELabel"));
    every->adjustSize();
    every->move(224, 167);
    CollectEveryE = new QSpinBox(view);
    CollectEveryE->setObjectName(QStringLiteral("CollectEveryE"));
    CollectEveryE->setRange(0, 24 * 60);
    CollectEveryE->setSpecialValueText(QStringLiteral("never"));
    CollectEveryE->setAccessibleName(QStringLiteral("Collect every ... minutes"));
    CollectEveryE->setToolTip(QStringLiteral("0 = only when you press Collect Mail"));
    CollectEveryE->setGeometry(every->x() + every->width() + 6, 164, 64, 21);
    every->setBuddy(CollectEveryE);
    auto *minutes = new QLabel(QStringLiteral("minutes"), view);
    minutes->setObjectName(QStringLiteral("CollectEveryEUnit"));
    minutes->adjustSize();
    minutes->move(CollectEveryE->geometry().right() + 6, 167);
    NewMailNotice = FormParts::checkBox(view, QStringLiteral("NewMailNotice"),
                                        QStringLiteral("Tell me when new mail arrives"), 224, 190, 161);
    // What the settings check found missing, for those who do not hear the beep.
    SettingsProblemL = new QLabel(view);
    SettingsProblemL->setObjectName(QStringLiteral("SettingsProblemL"));
    SettingsProblemL->setGeometry(40, 336, 600, 40);
    SettingsProblemL->setWordWrap(true);
    SettingsProblemL->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette warning = SettingsProblemL->palette();
    warning.setColor(QPalette::WindowText, QColor(164, 0, 0));
    SettingsProblemL->setPalette(warning);
    m_saveHolder = new QWidget(view);
    m_saveHolder->setObjectName(QStringLiteral("SettingSaveHolder"));
    m_saveHolder->setGeometry(294, 383, 105, 41);
    auto *save = FormParts::button(m_saveHolder, QStringLiteral("SettingSaveB"), QStringLiteral("Save"), 15, 8, 75,
                                   25);

    // The third "Browse" comes before the field it serves; this program's additions follow Save.
    const QList<QWidget *> tabOrder{YourNameE, YourInBoxE, button1, AddresLocE,    button2,      button3,
                                    InBoxLocE, AutoOAdress, AutoOInbox, save, CollectEveryE, NewMailNotice};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    for (QWidget *w : {static_cast<QWidget *>(SettingsPan), static_cast<QWidget *>(YourInBoxE),
                       static_cast<QWidget *>(AddresLocE), static_cast<QWidget *>(InBoxLocE)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    connect(button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(save, &QPushButton::clicked, this, &TForm1::SettingSaveBClick);
}

TSettings TForm1::viewSettings() const
{
    TSettings settings;
    settings.Name = YourNameE->text();
    settings.MyDest = YourInBoxE->text();
    settings.Addresses = AddresLocE->text();
    settings.InboxData = InBoxLocE->text();
    settings.AutoOptiAddress = AutoOAdress->isChecked();
    settings.AutoOptiInbox = AutoOInbox->isChecked();
    settings.CollectEvery = CollectEveryE->value();
    settings.NewMailNotice = NewMailNotice->isChecked();
    // Edited in main.ini (or by quindle-tool settings --map), not in the view.
    settings.pathMap = m_state.settings.pathMap;
    return settings;
}

void TForm1::showSettings(const TSettings &settings)
{
    YourNameE->setText(settings.Name);
    YourInBoxE->setText(settings.MyDest);
    AddresLocE->setText(settings.Addresses);
    InBoxLocE->setText(settings.InboxData);
    AutoOAdress->setChecked(settings.AutoOptiAddress);
    AutoOInbox->setChecked(settings.AutoOptiInbox);
    CollectEveryE->setValue(settings.CollectEvery);
    NewMailNotice->setChecked(settings.NewMailNotice);
}

void TForm1::showSlots()
{
    while (AttachC->count() < m_state.attachItems.size())
        AttachC->addItem(m_state.attachItems[AttachC->count()]);
    while (ToC->count() < m_state.toItems.size())
        ToC->addItem(m_state.toItems[ToC->count()]);
}

void TForm1::StartupExecute()
{
    run([this] {
        m_inboxInUse = false;
        StartupReport report;
        {
            // The fields and the ten slots show what start-up read, also when a file error ends it.
            const auto show = qScopeGuard([this] {
                showSettings(m_state.settings);
                showSlots();
                inboxTaken();
            });
            report = ::StartupExecute(m_state, m_programFolder);
        }
        m_inboxInUse = report.inboxInUse;
        if (report.addressesLoaded)
            AddressPopulateExecute();
        if (report.settingsIncomplete)
            settingsRefused();
        else
            SettingsProblemL->clear();
        if (report.inboxInUse)
            showError(inboxInUseMessage(m_state.inboxFileName));
    });
}

void TForm1::settingsRefused()
{
    bringToFront(SettingsPan);
    m_dialogs.beep();
    const TSettings view = viewSettings();
    QStringList missing;
    const std::pair<const char *, const QString &> folders[] = {
        {"Your Inbox", view.MyDest}, {"Inbox Datafile Folder", view.InboxData}, {"Address List Folder", view.Addresses}};
    for (const auto &[label, text] : folders) {
        if (!folderExists(pathFromText(text)))
            missing << (text.isEmpty() ? QStringLiteral("\"%1\" is empty").arg(QLatin1String(label))
                                       : QStringLiteral("\"%1\" is not an existing folder").arg(QLatin1String(label)));
    }
    if (view.Name.isEmpty())
        missing << QStringLiteral("\"Your Name\" is empty");
    SettingsProblemL->setText(QStringLiteral("The settings are incomplete: %1.").arg(missing.join(QStringLiteral("; "))));
}

void TForm1::inboxTaken()
{
    m_marks = TInboxMarks();
    if (m_state.inboxLoaded) {
        m_marks.load(m_state.inboxFileName);
        syncMarks();
    }
    m_mailArrival->configure(m_state.settings, m_state.inboxLoaded);
}

void TForm1::SettingsObiExecute()
{
    run([this] {
        bringToFront(SettingsPan);
    });
}

void TForm1::SettingSaveBClick()
{
    run([this] {
        if (refusedWhileMailRuns())
            return;
        // A folder typed without its final separator would have the datafile and the address
        // list made in the folder above, under names that start with its last component.
        for (QLineEdit *field : {YourInBoxE, AddresLocE, InBoxLocE}) {
            if (FolderText::lacksSeparator(field->text()))
                field->setText(FolderText::withSeparator(field->text()));
        }
        // A name no peer can spell would never receive mail: nothing is saved.
        const QString problem = settingsTextProblem(viewSettings());
        if (!problem.isEmpty()) {
            showError(problem);
            return;
        }
        saveSettings(m_programFolder, viewSettings());
        StartupExecute();
    });
}

void TForm1::Button1Click()
{
    run([this] { browseInto(YourInBoxE, true); });
}

void TForm1::Button2Click()
{
    run([this] { browseInto(AddresLocE, true); });
}

void TForm1::Button3Click()
{
    run([this] { browseInto(InBoxLocE, true); });
}

void TForm1::YourInBoxEMouseMove()
{
    run([this] {
        widen(YourInBoxE, 10);
    });
}

void TForm1::AddresLocEMouseMove()
{
    run([this] {
        widen(AddresLocE, 10);
    });
}

void TForm1::InBoxLocEMouseMove()
{
    run([this] {
        widen(InBoxLocE, 10);
    });
}

void TForm1::SettingsPanMouseMove()
{
    run([this] {
        for (QLineEdit *field : {YourInBoxE, AddresLocE, InBoxLocE})
            narrow(field, FolderFieldWidth);
    });
}
