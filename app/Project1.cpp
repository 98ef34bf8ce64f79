#include "Dialogs.h"
#include "Startup.h"
#include "Unit1.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quindle"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quindle"));
    TQtDialogs dialogs;
    TForm1 form(programFolderOfExecutable(), dialogs);
    dialogs.setParent(&form);
    form.show();
    return app.exec();
}
