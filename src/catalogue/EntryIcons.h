#pragma once

#include <QString>

class Prompter;
class QObject;
class TIcon;

// Where LoadEntryIcons resolves relative locations and whom it tells about an
// unexpected error ("Could not load Icon ...", owned by the main window).
struct IconContext
{
    QString currentDir;            // relative locations resolve against it
    Prompter *prompter = nullptr;  // nullptr: errors are not shown
    QObject *owner = nullptr;
};

// Fills both icon objects from an icon location: empty or blank → the transparent
// picture; "DEFAULTCATICON" → the default category picture; otherwise "file[,index]".
// Never raises. `small` and `large` may be the same object; it then ends up holding
// the small image.
void LoadEntryIcons(const QString &location, TIcon &small, TIcon &large, const IconContext &context);
