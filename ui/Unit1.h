#pragma once

#include "Startup.h"

#include <QMainWindow>

#include <functional>
#include <string>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTableView;
class QTextEdit;
class QToolBar;
class TAddressGridModel;
class TDialogs;
class TFECaptionPanel;
class TFEGXOutlookBar;
class TGXImageList;
class TInboxGridModel;
struct MailCallbacks;

// The one main window: the navigation bar, the main toolbar and six views stacked in one
// place. It owns the program's state; its slots are the handlers of its controls and actions.
// Every handler shows an input/output error in the standard error box and goes no further.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    // programFolder ends with a separator and holds "main.ini"; dialogs outlive the window.
    // Start-up runs before the constructor returns.
    TForm1(const std::string &programFolder, TDialogs &dialogs, QWidget *parent = nullptr);
    ~TForm1() override;

    const TStartupState &state() const { return m_state; }

    // The settings check on the Settings view's fields now; when it fails the Settings view
    // comes forward with a beep.
    bool OkToStartExecute();
    // The navigation bar asks this before a click changes its selection.
    void FEGXOutlookBar1Changing(QObject *Sender, bool &CanChange);

public slots:
    void StartupExecute();
    void CheckiExecute();

    // Settings view
    void SettingsObiExecute();
    void SettingSaveBClick();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void YourInBoxEMouseMove();
    void AddresLocEMouseMove();
    void InBoxLocEMouseMove();
    void SettingsPanMouseMove();

    // New view
    void NewObiClickExecute();
    void ToBClick();
    void AttachBClick();
    void ClearNewIExecute();
    void CreateMessageFileExecute();
    void SendiExecute();
    void SendExecute();

    // InBox view and Mail Reader
    void InBoxObiExecute();
    void InBoxGClick();
    void InBoxGDblClick();
    void MailReaderObiExecute();
    void ReaderAttachLMouseEnter();
    void InboxDeleteMsgExecute();
    void PackInboxIClick();

    // Address views
    void AdrObiClickExecute();
    void AddressPopulateExecute();
    void AddressGClick();
    void AddressGDblClick();
    void adrObiClk2Execute();
    void AddressNewBClick();
    void AddressSaveBClick();
    void AddressInBoxBClick();
    void DeleteAdrIClick();
    void PackAddressIClick();
    void AddressInBoxEMouseMove();
    void AddressPan2MouseMove();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Construction, one piece per view (each in the view's own file).
    void buildImageLists();
    void buildActions();
    void buildFrame();
    void buildSettingsView();
    void buildNewView();
    void buildInBoxView();
    void buildMailReaderView();
    void buildAddressViews();

    // Runs a handler's work: an input/output error raised anywhere in it, also in handlers
    // it calls, ends it and is shown once, by the outermost handler.
    void run(const std::function<void()> &work);
    void showError(const QString &text);
    // True, after a beep, while a send or collection is under way: the arrays and settings
    // must not change under it.
    bool refusedWhileMailRuns();
    // True, after saying why, when start-up has not loaded the inbox datafile: another copy
    // holds it, or the settings have not been saved complete. A slot written then could
    // overwrite a message that the empty array does not know of.
    bool refusedWithoutInbox();
    MailCallbacks mailCallbacks();
    // Lets the window process pending events in the middle of a handler; a handler clicked
    // meanwhile reports its own errors.
    void processEvents();
    void bringToFront(TFECaptionPanel *panel);
    TFECaptionPanel *frontView() const;

    TSettings viewSettings() const;
    TNewView newView() const;
    void showSettings(const TSettings &settings);
    void showSlots();
    void browseInto(QLineEdit *field, bool startFromField);
    void widen(QLineEdit *field, int margin);
    void narrow(QLineEdit *field, int restingWidth);

    // Formatting commands on the rich-text editor that has the focus.
    QTextEdit *formatTarget() const;
    void followFocus(QWidget *now);
    void updateFormatActions();
    void toggleBullets();

    QAction *action(const char *name) const;
    QAction *makeAction(const char *name, const char *category, const QString &caption, void (TForm1::*handler)());

    TDialogs &m_dialogs;
    TStartupState m_state;
    std::string m_programFolder;
    // Another copy works on the inbox datafile: Collect, Delete and Compact are refused.
    bool m_inboxInUse = false;
    // The folder the "Browse" buttons share; empty at start.
    QString m_rememberedFolder;
    TAddressRec m_addressWork;
    int m_handlerDepth = 0;
    // Set while a grid's rows are rewritten, when its moving current row is no user's choice.
    bool m_gridRefresh = false;
    // NewProgressBar1 counts bytes shifted right by this, so that files of any size fit.
    int m_progressShift = 0;
    qint64 m_progressPosition = 0;

    TGXImageList *ImageList1 = nullptr;
    TGXImageList *ImageListToolBar = nullptr;
    QToolBar *ToolBar4 = nullptr;
    TFEGXOutlookBar *FEGXOutlookBar1 = nullptr;
    QStackedWidget *m_stack = nullptr;

    TFECaptionPanel *SettingsPan = nullptr;
    QLineEdit *YourNameE = nullptr;
    QLineEdit *YourInBoxE = nullptr;
    QLineEdit *AddresLocE = nullptr;
    QLineEdit *InBoxLocE = nullptr;
    QCheckBox *AutoOAdress = nullptr;
    QCheckBox *AutoOInbox = nullptr;
    QWidget *m_saveHolder = nullptr;

    TFECaptionPanel *NewPan = nullptr;
    QLineEdit *SubjectE = nullptr;
    QComboBox *ToC = nullptr;
    QComboBox *AttachC = nullptr;
    QTextEdit *RichEdit1 = nullptr;
    QProgressBar *NewProgressBar1 = nullptr;

    TFECaptionPanel *InBoxPan = nullptr;
    QTableView *InBoxG = nullptr;
    TInboxGridModel *m_inboxModel = nullptr;
    TFECaptionPanel *MailReaderPan = nullptr;
    QLabel *ReaderFromL = nullptr;
    QLabel *ReaderSubjectL = nullptr;
    QLabel *ReaderAttachL = nullptr;
    QTextEdit *ReadRichEdit = nullptr;

    TFECaptionPanel *AddressPan = nullptr;
    QTableView *AddressG = nullptr;
    TAddressGridModel *m_addressModel = nullptr;
    TFECaptionPanel *AddressPan2 = nullptr;
    QLineEdit *AddressNameE = nullptr;
    QLineEdit *AddressInBoxE = nullptr;
    QLineEdit *AddressCommentE = nullptr;
    QCheckBox *AddressServer = nullptr;

    QTextEdit *m_formatTarget = nullptr;
    QMetaObject::Connection m_formatCursor;
    QMetaObject::Connection m_formatChar;
};
