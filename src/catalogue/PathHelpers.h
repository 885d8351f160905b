#pragma once

#include <QString>

// Path helpers shared by the windows and the catalogue. They use the platform's
// separators ("\" and "/" on Windows, "/" elsewhere) and take paths of any length.

// Drops the last component and adds a trailing separator unless there is one:
// "/games/foo/foo.exe" gives "/games/foo/".
QString ExtractDirectory(const QString &path);
// The last component.
QString ExtractFilePart(const QString &path);
// From the last dot of the last component, dot included; empty when there is none.
QString ExtractExtension(const QString &path);
// The path without that extension.
QString RemoveExtension(const QString &path);
// Splits an icon location "file,index": returns the index (0 when there is none)
// and leaves the file part in `location`.
int ParseIconLocation(QString &location);
// The full path of the running program.
QString GetProgramFileName();
// The process's current directory, with no trailing separator (as the platform gives it).
QString GetCurrentDir();
