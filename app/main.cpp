#include "ui/main/Form1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    zelvo::Form1 window;
    window.show();
    return app.exec();
}
