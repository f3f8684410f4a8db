#pragma once

// Ports A, B and C are 0, 1 and 2, in this order for commands, fields and rows.
using PortIndex = int;
constexpr int kPortCount = 3;
constexpr int kPinsPerPort = 8;
