#include "ui/display_required.h"
#include "ui/pin_tester_app.h"

#include <optional>

int main(int argc, char **argv)
{
    std::optional<DisplayRequired> displayRequired(std::in_place);
    CPinTesterApp app(argc, argv);
    displayRequired.reset();
    app.InitInstance();
    return 0;
}
