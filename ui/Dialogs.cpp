#include "Dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QUrl>

namespace {

QMessageBox::Icon boxIcon(TDialogs::Icon icon)
{
    switch (icon) {
    case TDialogs::Icon::Information:
        return QMessageBox::Information;
    case TDialogs::Icon::Warning:
        return QMessageBox::Warning;
    case TDialogs::Icon::Error:
        return QMessageBox::Critical;
    case TDialogs::Icon::Question:
        return QMessageBox::Question;
    case TDialogs::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void TQtDialogs::message(Icon icon, const QString &title, const QString &text)
{
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, m_parent);
    box.exec();
}

bool TQtDialogs::ask(Icon icon, const QString &title, const QString &text)
{
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    return box.exec() == QMessageBox::Yes;
}

QString TQtDialogs::openFileName()
{
    return QFileDialog::getOpenFileName(m_parent);
}

QString TQtDialogs::browseFolder(const QString &title, const QString &initialFolder)
{
    QString folder = QFileDialog::getExistingDirectory(m_parent, title, initialFolder, QFileDialog::ShowDirsOnly);
    // The callers append the one separator themselves.
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

void TQtDialogs::beep()
{
    QApplication::beep();
}

int TQtDialogs::choose(Icon icon, const QString &title, const QString &text, const QStringList &buttons)
{
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::NoButton, m_parent);
    QList<QAbstractButton *> pressable;
    for (const QString &caption : buttons)
        pressable.append(box.addButton(caption, pressable.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    if (!pressable.isEmpty())
        box.setDefaultButton(qobject_cast<QPushButton *>(pressable.first()));
    box.exec();
    return int(pressable.indexOf(box.clickedButton()));
}

QString TQtDialogs::saveFileName(const QString &suggested)
{
    return QFileDialog::getSaveFileName(m_parent, QString(), suggested);
}

void TQtDialogs::openDocument(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool TQtDialogs::choosePrinter(QPrinter &printer)
{
    QPrintDialog dialog(&printer, m_parent);
    return dialog.exec() == QDialog::Accepted;
}
