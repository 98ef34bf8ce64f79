#pragma once

#include "GXActionHandler.h"

#include <QString>

#include <functional>

class QAction;
class TGXCustomOutlookBar;

// How the names in a layout text become objects: actions by their name, handlers by theirs.
struct TGXStreamNames {
    std::function<QAction *(const QString &name)> action;
    std::function<TGXNotifyEvent(const QString &name)> handler;
};

// The bar's List in layout text form, `List = ('caption' < item ... end > ...)`; empty for a
// bar without buttons, which stores no List.
QString writeOutlookList(const TGXCustomOutlookBar &bar);

// Reads `Name = value` lines in loading state: the bar's simple published properties
// (numbers, True/False, 'strings', enumeration names) and List. List's buttons are appended
// to those present. Action names are resolved after the whole text is read, then the bar's
// after-loading pass applies the bound actions. Answers false, with a message, on text it
// cannot read or a name that does not resolve; the bar leaves loading state in any case.
bool readOutlookBar(TGXCustomOutlookBar &bar, const QString &text, const TGXStreamNames &names,
                    QString *error = nullptr);
