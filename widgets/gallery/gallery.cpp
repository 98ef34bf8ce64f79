#include "GXOutlookStream.h"
#include "GX_Outlook.h"
#include "FeCapPnl.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {


QPixmap picture(int index)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 60), 1.5));
    switch (index) {
    case 0: { // a sheet with a folded corner
        QPainterPath sheet;
        sheet.moveTo(7, 3);
        sheet.lineTo(20, 3);
        sheet.lineTo(26, 9);
        sheet.lineTo(26, 29);
        sheet.lineTo(7, 29);
        sheet.closeSubpath();
        p.setBrush(QColor(250, 250, 240));
        p.drawPath(sheet);
        p.drawLine(20, 3, 20, 9);
        p.drawLine(20, 9, 26, 9);
        break;
    }
    case 1: // a list of names
        p.setBrush(QColor(230, 240, 255));
        p.drawRect(5, 4, 22, 24);
        for (int y = 10; y <= 22; y += 6)
            p.drawLine(9, y, 23, y);
        break;
    case 2: // a card and a pencil
        p.setBrush(QColor(255, 245, 220));
        p.drawRect(4, 6, 20, 20);
        p.setBrush(QColor(220, 180, 40));
        p.drawPolygon(QPolygonF({QPointF(27, 6), QPointF(30, 9), QPointF(16, 23), QPointF(13, 24),
                                 QPointF(14, 20)}));
        break;
    case 3: // a gear
        p.setBrush(QColor(190, 190, 200));
        for (int a = 0; a < 360; a += 45) {
            p.save();
            p.translate(16, 16);
            p.rotate(a);
            p.drawRect(-2, -14, 4, 6);
            p.restore();
        }
        p.drawEllipse(QPointF(16, 16), 9, 9);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 16), 3.5, 3.5);
        break;
    case 4: // a tray
        p.setBrush(QColor(200, 230, 200));
        p.drawPolygon(QPolygonF({QPointF(3, 16), QPointF(10, 8), QPointF(22, 8), QPointF(29, 16),
                                 QPointF(29, 27), QPointF(3, 27)}));
        p.drawLine(3, 16, 11, 16);
        p.drawLine(21, 16, 29, 16);
        p.drawLine(11, 16, 13, 20);
        p.drawLine(13, 20, 19, 20);
        p.drawLine(19, 20, 21, 16);
        break;
    default: // an open envelope
        p.setBrush(QColor(255, 250, 210));
        p.drawRect(3, 9, 26, 18);
        p.drawLine(3, 9, 16, 19);
        p.drawLine(16, 19, 29, 9);
        break;
    }
    return pm;
}

} // namespace

int main(int argc, char **argv)
{
    QString saveDir;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--save") == 0 && i + 1 < argc)
            saveDir = QString::fromLocal8Bit(argv[++i]);
    // Saving needs no screen.
    if (!saveDir.isEmpty() && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Quindle widgets"));
    const QFont windowFont(QStringLiteral("MS Sans Serif"), 8);
    window.setFont(windowFont);
    auto *layout = new QHBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    TGXImageList images(32, 32);
    for (int i = 0; i < 6; ++i)
        images.Add(picture(i));

    // Actions of the "Outlook bar (standard)" group.
    struct Def {
        const char *name, *caption, *handler;
    };
    const Def defs[] = {
        {"NewObiClick", "New", "NewObiClickExecute"},
        {"AdrObiClick", "Addresses List", "AdrObiClickExecute"},
        {"adrObiClk2", "Addresses Edit", "adrObiClk2Execute"},
        {"SettingsObi", "Settings", "SettingsObiExecute"},
        {"InBoxObi", "InBoxObi", "InBoxObiExecute"},
        {"MailReaderObi", "Mail Reader", "MailReaderObiExecute"},
    };
    std::map<QString, QAction *> actions;
    QString shownView = QStringLiteral("Address Edit");
    for (const Def &d : defs) {
        auto *action = new QAction(QString::fromLatin1(d.caption), &window);
        action->setObjectName(QString::fromLatin1(d.name));
        action->setProperty("category", QStringLiteral("Outlook bar (standard)"));
        const QString handler = QString::fromLatin1(d.handler);
        setActionExecute(action, TGXNotifyEvent(handler, [&window, handler](QObject *) {
                             window.setWindowTitle(QStringLiteral("Quindle widgets - ") + handler);
                         }));
        actions[action->objectName()] = action;
    }

    auto *bar = new TFEGXOutlookBar(&window);
    bar->setObjectName(QStringLiteral("FEGXOutlookBar1"));
    bar->setFixedWidth(100);
    TGXStreamNames names;
    names.action = [&actions](const QString &name) -> QAction * {
        auto it = actions.find(name);
        return it == actions.end() ? nullptr : it->second;
    };
    names.images = [&images](const QString &name) {
        return name == QLatin1String("ImageList1") ? &images : nullptr;
    };
    // The gallery has no settings to check, so every change is allowed.
    names.changing = [](const QString &name) -> TGXOutlookChangingEvent {
        if (name != QLatin1String("FEGXOutlookBar1Changing"))
            return {};
        return [](QObject *, bool &canChange) { canChange = true; };
    };
    // The main window's own layout text, with a second, empty button to show a closed strip.
    QFile stored(QStringLiteral(QUINDLE_WINDOW_LAYOUT));
    QString error;
    if (!stored.open(QIODevice::ReadOnly)
        || !readOutlookBar(*bar, QString::fromUtf8(stored.readAll()), names, &error)) {
        std::fprintf(stderr, "navigation layout: %s\n", qPrintable(error));
        return 1;
    }
    bar->AddButton(QStringLiteral("Other"));
    layout->addWidget(bar);

    auto *panel = new TFECaptionPanel(&window);
    panel->setObjectName(QStringLiteral("InBoxPan"));
    panel->setCaption(QStringLiteral("InBox"));
    panel->setButtonVisible(true);
    layout->addWidget(panel, 1);

    window.resize(420, 440);
    window.show();

    if (saveDir.isEmpty())
        return app.exec();

    QDir().mkpath(saveDir);
    QCoreApplication::processEvents();
    bar->grab(); // lays the panel out, so selecting knows how many items fit
    bar->setSelectedItem(4);
    bool ok = bar->grab().save(QDir(saveDir).filePath(QStringLiteral("navbar.png")));
    ok = panel->grab().save(QDir(saveDir).filePath(QStringLiteral("captionpanel.png"))) && ok;
    return ok ? 0 : 1;
}
