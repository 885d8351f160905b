#pragma once

#include <QString>

// Path helpers shared by the windows and the catalogue. They use the platform's
// separators ("\" and "/" on Windows, "/" elsewhere) and take paths of any length.

// Drops the last component and adds a trailing separator unless there is one:
// "/games/foo/foo.exe" gives "/games/foo/". A name without any separator gives "",
// which, put in front of a relative name, leaves it relative to the current directory.
// A root stays itself: "/" gives "/", "C:\foo" gives "C:\".
QString ExtractDirectory(const QString &path);
// The last component.
QString ExtractFilePart(const QString &path);
// From the last dot of the last component, dot included; empty when there is none.
QString ExtractExtension(const QString &path);
// The path without that extension.
QString RemoveExtension(const QString &path);
// Splits an icon location "file,index": returns the index (0 when there is none)
// and leaves the file part in `location`. The index is the leading integer of the
// text after the last comma (blanks and a minus sign allowed; 0 when there are no
// digits). When that text holds a path separator, the comma belongs to the file name
// ("/games/a,b/x.ico"): the whole text is the file and the index is 0.
int ParseIconLocation(QString &location);
// The full path of the running program.
QString GetProgramFileName();
// The process's current directory, with no trailing separator (as the platform gives it).
QString GetCurrentDir();

// The rules above for either platform, so that both can be checked anywhere.
// Windows paths take "\" and "/" as separators and know drive letters and UNC
// roots; Unix paths take "/" only.
enum class PathSyntax { Unix, Windows };
PathSyntax NativePathSyntax();
QString ExtractDirectory(const QString &path, PathSyntax syntax);
QString ExtractFilePart(const QString &path, PathSyntax syntax);
QString ExtractExtension(const QString &path, PathSyntax syntax);
QString RemoveExtension(const QString &path, PathSyntax syntax);
int ParseIconLocation(QString &location, PathSyntax syntax);
// True when the path is absolute in that syntax ("/x"; "C:\x", "\\server\share").
bool IsAbsolutePath(const QString &path, PathSyntax syntax);
