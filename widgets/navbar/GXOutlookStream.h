#pragma once

#include "GXActionHandler.h"

#include <QString>

#include <functional>

class QAction;
class TGXCustomOutlookBar;
class TGXImageList;

// How the names in a layout text become objects. An empty function, or a null or empty
// answer, means the name does not resolve, and the read fails naming it.
struct TGXStreamNames {
    std::function<QAction *(const QString &name)> action;
    // Items' OnClick and the bar's OnChange, OnItemClick, OnItemTextClick, OnItemTextChange
    // and OnDblClick.
    std::function<TGXNotifyEvent(const QString &name)> handler;
    std::function<TGXImageList *(const QString &name)> images;
    std::function<TGXOutlookChangingEvent(const QString &name)> changing;
};

// The bar's List in layout text form, `List = ('caption' < item ... end > ...)`; empty for a
// bar without buttons, which stores no List. What it writes reads back to the same text.
QString writeOutlookList(const TGXCustomOutlookBar &bar);

// Reads `Name = value` lines in loading state: the bar's published properties (numbers,
// True/False, enumeration names, colours by name or $00BBGGRR number, the three fonts as
// `ButtonFont.Height = -11` and the like, Images, OnChanging and the notify events by name)
// and List, whose buttons are appended to those present. Then the bar's after-loading pass
// applies the bound actions. Answers false, with a message, on text it cannot read or a name
// that does not resolve, and then leaves the bar exactly as it was.
bool readOutlookBar(TGXCustomOutlookBar &bar, const QString &text, const TGXStreamNames &names,
                    QString *error = nullptr);
