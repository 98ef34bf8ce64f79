// The navigation bar's layout text, read into a fresh bar with the main window's names.
#include "GXOutlookStream.h"
#include "GX_Outlook.h"
#include "GXImageList.h"

#include <QAction>
#include <QApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

namespace {

struct Names
{
    std::map<QString, std::unique_ptr<QAction>> actions;
    TGXImageList images;
    TGXStreamNames names;

    Names()
    {
        for (const char *name : {"NewObiClick", "AdrObiClick", "adrObiClk2", "SettingsObi", "InBoxObi", "MailReaderObi"}) {
            auto action = std::make_unique<QAction>(QString::fromLatin1(name));
            action->setObjectName(QString::fromLatin1(name));
            setActionExecute(action.get(), TGXNotifyEvent(QString::fromLatin1(name) + QStringLiteral("Execute"),
                                                          [](QObject *) {}));
            actions[action->objectName()] = std::move(action);
        }
        names.action = [this](const QString &name) -> QAction * {
            const auto it = actions.find(name);
            return it == actions.end() ? nullptr : it->second.get();
        };
        names.handler = [](const QString &name) {
            return name.endsWith(QLatin1String("Execute")) ? TGXNotifyEvent(name, [](QObject *) {}) : TGXNotifyEvent();
        };
        names.images = [this](const QString &name) {
            return name == QLatin1String("ImageList1") ? &images : nullptr;
        };
        names.changing = [](const QString &name) -> TGXOutlookChangingEvent {
            if (name != QLatin1String("FEGXOutlookBar1Changing"))
                return {};
            return [](QObject *, bool &canChange) { canChange = true; };
        };
    }
};

Names *names = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QApplication(*argc, *argv);
    names = new Names;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    TFEGXOutlookBar bar;
    if (!readOutlookBar(bar, text, names->names))
        return 0;
    // What the bar writes reads back into another bar as the same list.
    const QString list = writeOutlookList(bar);
    TFEGXOutlookBar again;
    QString error;
    if (!readOutlookBar(again, list, names->names, &error) || writeOutlookList(again) != list) {
        std::fprintf(stderr, "the list written does not read back (%s):\n%s\n", qPrintable(error), qPrintable(list));
        std::abort();
    }
    return 0;
}
