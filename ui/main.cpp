#include "ui/pin_tester_app.h"

int main(int argc, char **argv)
{
    CPinTesterApp app(argc, argv);
    app.InitInstance();
    return 0;
}
