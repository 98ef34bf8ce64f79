#pragma once

#include <QMainWindow>

// The one main window of the program.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);
};
