#pragma once

#include "tester/pin_tester.h"

#include <QString>

// What each pin button and hexadecimal field is, in words: the accessible
// names and tooltips that screen readers and a hovering mouse give.

// "Port B pin 3 direction: input" (or "output").
QString DirectionDescription(PortIndex P, int n, bool input);

// "Port B pin 3 state: 1" for a button showing 1; a button that shows
// neither digit yet has not been read: "Port B pin 3 state: not read yet".
// A marked output adds what the last poll read: "(driven 1, reads 0)".
QString StateDescription(PortIndex P, int n, const QString &caption, bool readsOtherwise = false);

// "Port A directions (hexadecimal)", "... inputs ...", "... outputs ..." for
// the nine hexadecimal fields; empty for any other control.
QString HexFieldDescription(int controlId);
