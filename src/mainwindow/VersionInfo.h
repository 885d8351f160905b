#pragma once

#include <QString>

// The program's version as the status bar and the About box show it.
struct VersionInfo
{
    QString VersionText; // the file version without its last part: "4.3.6"
    QString BuildText;   // the last part: "35"
};

// Splits a file version at its last dot: "4.3.6.35" gives "4.3.6" and "35"; a text
// without a dot is all build ("12" gives "" and "12").
VersionInfo SplitFileVersion(const QString &fileVersion);

// The version compiled into this program, split.
VersionInfo ReadVersionInfo();
