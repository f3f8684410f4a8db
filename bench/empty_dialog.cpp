// The floor for the tester's start-up and memory: an empty QDialog of the
// tester window's size, shown the way the tester shows its window.
// usage: empty_dialog WIDTH HEIGHT

#include <QApplication>
#include <QDialog>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Empty dialog"));
    dialog.setFixedSize(QByteArray(argv[1]).toInt(), QByteArray(argv[2]).toInt());
    return dialog.exec();
}
