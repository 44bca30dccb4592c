// The baseline for the start-up figures: the least a Qt Widgets program does to show a window of
// the main window's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle(QStringLiteral("Bare Qt window"));
    w.resize(514, 410);
    w.show();
    return QApplication::exec();
}
