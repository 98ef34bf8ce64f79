#include "Unit1.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quindle"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quindle"));
    TForm1 form;
    form.show();
    return app.exec();
}
