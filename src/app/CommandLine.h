#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks of a start.
struct CommandLine
{
    // The start mode of the last start-mode switch: "/minimized" 1, "/tray" and "/noa" 2
    // (letters A to Z in either case); none without such a switch.
    std::optional<int> startMode;
    // "--help" or "-h": print the usage and end. "--version": print the version and end.
    bool help = false;
    bool version = false;
};

// Reads the arguments (without the program's own name). Every argument is compared
// whole; arguments that are no switch of Kelvaro are ignored.
CommandLine ParseCommandLine(const QStringList &arguments);

// The texts printed for --help and --version.
QString CommandLineUsage();
QString VersionLine();
