#include "app/form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillpod"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillpod"));
    QApplication::setDesktopFileName(QStringLiteral("org.quillpod.Quillpod"));

    Form1 window;
    window.Form_Load();
    window.show();
    return app.exec();
}
