#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvaro"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Kelvaro"));
    window.resize(240, 458);
    window.show();
    return QApplication::exec();
}
