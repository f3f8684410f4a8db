#pragma once

// While it lives, a failure to reach any display ends the process with one
// line saying that the tester needs a graphical session, and status 1, in
// place of Qt's abort. It is meant to span the construction of the
// application object; the messages given meanwhile are held back and passed
// on when it ends.
class DisplayRequired
{
public:
    DisplayRequired();
    ~DisplayRequired();
    DisplayRequired(const DisplayRequired &) = delete;
    DisplayRequired &operator=(const DisplayRequired &) = delete;
};
