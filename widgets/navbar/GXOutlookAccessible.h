#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// The bar for assistive technology: a list whose children are the buttons (page tabs, the
// open one checked) and the open button's items (list items, the selected one selected).
QAccessibleInterface *outlookBarAccessible(const QString &className, QObject *object);
