#pragma once

#include "tools/sim/device_model.h"

#include <string>
#include <vector>

// How the virtual device behaves, as set on korvane-sim's command line.
struct SimOptions
{
    DeviceModel::Ports inputs{0xFF, 0xFF, 0xFF};
    int walkMs = 0;   // change the input levels this often; 0 = never
    int delayMs = 0;  // delay each answer by this much
    bool silent = false;
    bool doubled = false; // answer each read request twice
    bool trace = false;
    bool help = false;    // print the help and exit
    bool version = false; // print the version and exit
    std::string link; // symbolic link to the device, made while it runs
    Harness harness;  // wires and faults on the pins
};

// Reads the arguments after the program name. Returns an error text, or an
// empty one when every argument was understood.
std::string ParseSimOptions(const std::vector<std::string> &args, SimOptions &options);

// The help of --help; the manual page is made from it.
extern const char *const kSimUsage;
