#pragma once

#include "InboxMarks.h"
#include "Startup.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>

class BodySearch;
class FormatCommands;
class MailArrival;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTableView;
class QTextDocument;
class QTextEdit;
class QTimer;
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
    void showDeliveringAccount(const QString &account);
    void ReaderAttachLMouseEnter();
    void InboxDeleteMsgExecute();
    void PackInboxIClick();
    void InBoxSearchEChange(const QString &text);
    void InBoxGSort(int column, Qt::SortOrder order);
    void ReaderOpenAttachment(const QString &name);
    void ReaderSaveAttachment(const QString &name);
    void ReplyIClick();
    void ForwardIClick();

    // Fills the next free attachment slots with the files, or refuses them all with a message.
    void AttachDropped(const QStringList &paths);

    // The menu bar's own commands.
    void NewMessageIClick();
    void PrintIClick();
    void ExportPdfIClick();
    void OfficeGuideIClick();
    void AboutIClick();

    // Mail that arrives by itself, and the notice of it
    void AutoCollect();
    void NewMailNoticeClick();

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

signals:
    // Shown to the user as a desktop notification.
    void newMailNoticed(const QString &summary, const QString &body);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    // While a send or a collection runs, the window asks whether to stop after the message
    // in hand or wait, and closes when the work is over; an unsent message is asked about.
    void closeEvent(QCloseEvent *event) override;

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
    void buildShortcuts();
    void buildMenuBar();
    // Enables the menu's commands as their buttons can be reached.
    void updateMenuCommands();
    // The message the reader shows, as composePrintedMessage lays it out.
    void printMessage(QPrinter &printer);

    // Runs a handler's work: an input/output error raised anywhere in it, also in handlers
    // it calls, ends it and is shown once, by the outermost handler: in the standard error
    // box, or to onError where given (a timer's slot, which must not open a box each time).
    void run(const std::function<void()> &work, const std::function<void(const QString &)> &onError = {});
    void showError(const QString &text);
    // True, after a beep, while a send or collection is under way: the arrays and settings
    // must not change under it.
    bool refusedWhileMailRuns();
    // True, after saying why, when start-up has not loaded the inbox datafile: another copy
    // holds it, or the settings have not been saved complete. A slot written then could
    // overwrite a message that the empty array does not know of.
    bool refusedWithoutInbox();
    // The Settings view comes forward with a beep and says what the settings check misses.
    void settingsRefused();
    // The marks and the automatic collection follow the inbox start-up loaded, or did not.
    void inboxTaken();
    MailCallbacks mailCallbacks();
    // A send or a collection named `work` ("Mail is being collected.") begins; when it is
    // over the progress goes and a close asked for meanwhile is carried out.
    void mailRunBegins(const QString &work);
    void mailRunEnded();
    // The window's size and place from "main.ini", and back there at close when they changed.
    void restorePlace();
    void savePlace();
    // What the New view holds, to tell a message sent from one changed since.
    QByteArray newViewFingerprint() const;
    bool newViewUnsent() const;
    // Collect mail; an automatic collection says nothing when it cannot run and never brings
    // a view forward.
    void collect(bool automatic);
    void buildMailArrival();
    // Counts newly arrived mail in the tray and gives a notification while the window is
    // not active.
    void announce(int arrived);
    // Shows what a collection went past or ended with; an automatic one says each thing once.
    void tell(const QString &text, bool error, bool automatic);
    // The marks follow the inbox array; a folder where they cannot be written only loses them.
    // Answers how many messages arrived since the last time.
    int syncMarks();
    void saveMarks();
    // Changes the InBox grid's rows, keeping the current message where it is still shown.
    void reshowInBox(const std::function<void()> &change, int kept);
    // The user looks at the InBox: nothing is new any more.
    void inboxLookedAt();
    // The InBox search reads the texts of the messages in pieces between events, from the
    // first keystroke on; when all are read, its rows are chosen again.
    void readBodiesSoon();
    void readBodies();
    // A view chosen by a shortcut, guarded as a click on its item's picture.
    void showItem(int item);
    // The New view filled for a reply or a forward, after asking as Clear does when it holds
    // something; answers false when the user keeps what is there.
    bool fillNewView(const QString &subject, const QTextDocument &body, const QString &recipient,
                     const QStringList &attachmentPaths);
    bool newViewEmpty() const;
    // The local files a drag brings, empty when it brings anything else.
    QStringList droppedFiles(const QEvent *event) const;
    // Takes a drag of files over the New view; false leaves the event to its widget.
    bool newViewDrop(QEvent *event);
    // Why Send must not build the message: no recipient slot is filled, or To's field holds
    // a name that is no filled slot's caption. Empty when it may be sent.
    QString recipientProblem() const;
    void clearNewView();
    // The full path of an attachment of the message read while it is still in the own inbox
    // folder, else empty text; attachmentInInbox also says so.
    QString inboxAttachmentPath(const QString &name) const;
    QString attachmentInInbox(const QString &name);
    // Lets the window process pending events in the middle of a handler; a handler clicked
    // meanwhile reports its own errors.
    void processEvents();
    void bringToFront(TFECaptionPanel *panel);
    TFECaptionPanel *frontView() const;

    TSettings viewSettings() const;
    TNewView newView() const;
    void showSettings(const TSettings &settings);
    // Where Address Edit's Windows folder leads on this machine, or why nowhere; empty for a
    // local path. Worked out when the mouse rests on the field, not on every keystroke, as it
    // looks into the share.
    QString whereAddressLeads() const;
    void showSlots();
    void browseInto(QLineEdit *field, bool startFromField);
    void widen(QLineEdit *field, int margin);
    void narrow(QLineEdit *field, int restingWidth);

    QAction *makeAction(const char *name, const char *category, const QString &caption, void (TForm1::*handler)());

    TDialogs &m_dialogs;
    TStartupState m_state;
    std::string m_programFolder;
    // Another copy works on the inbox datafile: Collect, Delete and Compact are refused.
    bool m_inboxInUse = false;
    // The folder the "Browse" buttons share; empty at start.
    QString m_rememberedFolder;
    TAddressRec m_addressWork;
    TInboxMarks m_marks;
    // Parts with state of their own, children of the window.
    MailArrival *m_mailArrival = nullptr;
    FormatCommands *m_formatCommands = nullptr;
    int m_firstArrived = -1; // the first slot of the mail the last collection brought
    // The message the reader shows, kept as it was read.
    TMessageRecord m_readerMessage;
    QStringList m_readerAttachments;
    QString m_readerReceived; // when it was collected, as the InBox shows it; empty when not known
    // The actions under their names, which are also their object names: the navigation
    // bar's layout names the ones its items trigger.
    QAction *NewObiClick = nullptr;
    QAction *AdrObiClick = nullptr;
    QAction *adrObiClk2 = nullptr;
    QAction *SettingsObi = nullptr;
    QAction *InBoxObi = nullptr;
    QAction *MailReaderObi = nullptr;
    QAction *Sendi = nullptr;
    QAction *ClearNewI = nullptr;
    QAction *Checki = nullptr;
    QAction *InboxDeleteMsg = nullptr;
    QAction *packI = nullptr;
    QAction *Startup = nullptr;
    QAction *CreateMessageFile = nullptr;
    QAction *Send = nullptr;
    QAction *AddressPopulate = nullptr;
    QAction *EExpander = nullptr;
    QAction *OkToStart = nullptr;
    QAction *RichEditBold1 = nullptr;
    QAction *RichEditItalic1 = nullptr;
    QAction *RichEditUnderline1 = nullptr;
    QAction *RichEditAlignLeft1 = nullptr;
    QAction *RichEditAlignCenter1 = nullptr;
    QAction *RichEditAlignRight1 = nullptr;
    QAction *RichEditBullets1 = nullptr;
    QAction *m_print = nullptr;
    QAction *m_exportPdf = nullptr;
    QAction *m_reply = nullptr;
    QAction *m_forward = nullptr;
    QAction *m_delete = nullptr;
    QAction *m_send = nullptr;
    int m_handlerDepth = 0;
    // Set while a grid's rows are rewritten, when its moving current row is no user's choice.
    bool m_gridRefresh = false;
    // NewProgressBar1 counts bytes shifted right by this, so that files of any size fit.
    int m_progressShift = 0;
    qint64 m_progressPosition = 0;
    QString m_mailWork;            // what runs now, for the question at close; empty when nothing
    bool m_stopAfterMessage = false;
    bool m_closeWhenDone = false;
    bool m_closeConfirmed = false; // the user chose to close while mail ran: ask nothing more
    QByteArray m_sentView;         // the New view's fingerprint when it was last sent
    int m_place[4] = {};           // left, top, width, height as "main.ini" holds them
    bool m_placeMaximized = false;

    TGXImageList *ImageList1 = nullptr;
    TGXImageList *ImageListToolBar = nullptr;
    QToolBar *ToolBar4 = nullptr;
    // How far a collection has come, on the main toolbar, whatever view is in front.
    QProgressBar *CollectProgressBar = nullptr;
    QAction *m_collectProgressShown = nullptr;
    TFEGXOutlookBar *FEGXOutlookBar1 = nullptr;
    QStackedWidget *m_stack = nullptr;

    TFECaptionPanel *SettingsPan = nullptr;
    QLineEdit *YourNameE = nullptr;
    QLineEdit *YourInBoxE = nullptr;
    QLineEdit *AddresLocE = nullptr;
    QLineEdit *InBoxLocE = nullptr;
    QCheckBox *AutoOAdress = nullptr;
    QCheckBox *AutoOInbox = nullptr;
    QSpinBox *CollectEveryE = nullptr;
    QCheckBox *NewMailNotice = nullptr;
    QWidget *m_saveHolder = nullptr;
    QLabel *SettingsProblemL = nullptr;

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
    QLabel *ReaderAccountL = nullptr;
    QLabel *ReaderAttachL = nullptr;
    QTextEdit *ReadRichEdit = nullptr;
    QLineEdit *InBoxSearchE = nullptr;
    QLabel *InBoxSearchL = nullptr;
    QAction *m_searchReadingShown = nullptr;
    std::unique_ptr<BodySearch> m_bodySearch;
    QTimer *m_bodyTimer = nullptr;

    TFECaptionPanel *AddressPan = nullptr;
    QTableView *AddressG = nullptr;
    TAddressGridModel *m_addressModel = nullptr;
    TFECaptionPanel *AddressPan2 = nullptr;
    QLineEdit *AddressNameE = nullptr;
    QLineEdit *AddressInBoxE = nullptr;
    QLineEdit *AddressCommentE = nullptr;
    QCheckBox *AddressServer = nullptr;
};
