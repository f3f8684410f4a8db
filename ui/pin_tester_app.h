#pragma once

#include <QApplication>

// The application: runs the tester dialog modally and ends with it.
class CPinTesterApp : public QApplication
{
    Q_OBJECT
public:
    CPinTesterApp(int &argc, char **argv);

    // Runs the dialog; returns false, since the program ends with the dialog.
    bool InitInstance();
    // The help command: the program's name, version and how to start.
    void OnHelp();
    static QString HelpText();
};
