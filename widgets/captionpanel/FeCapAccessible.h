#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// The caption panel for assistive technology: a pane named by its caption, whose children are
// its controls and, while it shows, the caption strip's button.
QAccessibleInterface *captionPanelAccessible(const QString &className, QObject *object);
