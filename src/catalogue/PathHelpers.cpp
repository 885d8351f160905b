#include "catalogue/PathHelpers.h"

#include <QCoreApplication>
#include <QDir>

#include <limits>

namespace {

bool isSeparator(QChar c, PathSyntax syntax)
{
    return c == u'/' || (syntax == PathSyntax::Windows && c == u'\\');
}

QChar nativeSeparator(PathSyntax syntax)
{
    return syntax == PathSyntax::Windows ? u'\\' : u'/';
}

bool hasDriveLetter(const QString &path, PathSyntax syntax)
{
    return syntax == PathSyntax::Windows && path.size() >= 2 && path.at(1) == u':' &&
           path.at(0).isLetter() && path.at(0).unicode() < 128;
}

// Length of the part of the path that no helper may take apart: "/" on Unix;
// "C:\", "C:", "\\server\share\" or "\" on Windows.
qsizetype rootLength(const QString &path, PathSyntax syntax)
{
    if (syntax == PathSyntax::Unix) {
        qsizetype n = 0;
        while (n < path.size() && path.at(n) == u'/')
            ++n;
        return n;
    }
    if (hasDriveLetter(path, syntax))
        return path.size() > 2 && isSeparator(path.at(2), syntax) ? 3 : 2;
    if (path.size() >= 2 && isSeparator(path.at(0), syntax) && isSeparator(path.at(1), syntax)) {
        // UNC: two separators, the server, a separator, the share and its separator.
        qsizetype n = 2;
        for (int part = 0; part < 2 && n < path.size(); ++part) {
            while (n < path.size() && !isSeparator(path.at(n), syntax))
                ++n;
            if (n < path.size())
                ++n;
        }
        return n;
    }
    return !path.isEmpty() && isSeparator(path.at(0), syntax) ? 1 : 0;
}

// Start of the last component: after the last separator that is not at the end.
qsizetype filePartStart(const QString &path, PathSyntax syntax)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i + 1 < path.size(); ++i) {
        const QChar c = path.at(i);
        const bool boundary =
            isSeparator(c, syntax) || (syntax == PathSyntax::Windows && c == u':' && i == 1);
        if (boundary && !isSeparator(path.at(i + 1), syntax))
            start = i + 1;
    }
    return start;
}

// Position of the extension's dot, or the path's length when there is none.
qsizetype extensionStart(const QString &path, PathSyntax syntax)
{
    const qsizetype start = filePartStart(path, syntax);
    for (qsizetype i = path.size() - 1; i >= start; --i) {
        if (isSeparator(path.at(i), syntax))
            break;
        if (path.at(i) == u'.')
            return i;
    }
    return path.size();
}

// Leading integer of the text: blanks, an optional minus, decimal digits. Saturates
// instead of overflowing.
int lenientInteger(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text.at(i) == u' ' || text.at(i) == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && text.at(i) == u'-') {
        negative = true;
        ++i;
    }
    qint64 value = 0;
    const qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > limit)
            value = limit;
    }
    if (negative)
        return int(-value);
    return int(std::min<qint64>(value, std::numeric_limits<int>::max()));
}

} // namespace

PathSyntax NativePathSyntax()
{
    // QDir knows the platform's separator; no conditional compilation needed here.
    return QDir::separator() == u'\\' ? PathSyntax::Windows : PathSyntax::Unix;
}

QString ExtractDirectory(const QString &path, PathSyntax syntax)
{
    const qsizetype root = rootLength(path, syntax);
    qsizetype cut = -1;
    for (qsizetype i = path.size() - 1; i >= root; --i) {
        if (isSeparator(path.at(i), syntax)) {
            cut = i;
            break;
        }
    }
    QString result;
    QChar separator = nativeSeparator(syntax);
    if (cut < 0) {
        // No separator after the root: what is left is the root ("" for a bare name).
        result = path.left(root);
        if (hasDriveLetter(result, syntax) && result.size() == 2)
            return result; // "C:foo" → "C:", which stays drive-relative
    } else {
        separator = path.at(cut);
        result = path.left(cut);
        // "/a//b": drop the whole run of separators, but never into the root.
        while (result.size() > root && isSeparator(result.back(), syntax))
            result.chop(1);
        if (result.size() < root)
            result = path.left(root);
    }
    if (!result.isEmpty() && !isSeparator(result.back(), syntax))
        result.append(separator);
    return result;
}

QString ExtractFilePart(const QString &path, PathSyntax syntax)
{
    return path.mid(filePartStart(path, syntax));
}

QString ExtractExtension(const QString &path, PathSyntax syntax)
{
    return path.mid(extensionStart(path, syntax));
}

QString RemoveExtension(const QString &path, PathSyntax syntax)
{
    return path.left(extensionStart(path, syntax));
}

int ParseIconLocation(QString &location, PathSyntax syntax)
{
    const qsizetype comma = location.lastIndexOf(u',');
    if (comma < 0)
        return 0;
    const QStringView after = QStringView(location).mid(comma + 1);
    for (QChar c : after) {
        if (isSeparator(c, syntax))
            return 0; // the comma is part of a directory name
    }
    const int index = lenientInteger(after);
    location.truncate(comma);
    return index;
}

bool IsAbsolutePath(const QString &path, PathSyntax syntax)
{
    if (syntax == PathSyntax::Unix)
        return path.startsWith(u'/');
    if (hasDriveLetter(path, syntax))
        return path.size() > 2 && isSeparator(path.at(2), syntax);
    return path.size() >= 2 && isSeparator(path.at(0), syntax) && isSeparator(path.at(1), syntax);
}

QString ExtractDirectory(const QString &path)
{
    return ExtractDirectory(path, NativePathSyntax());
}

QString ExtractFilePart(const QString &path)
{
    return ExtractFilePart(path, NativePathSyntax());
}

QString ExtractExtension(const QString &path)
{
    return ExtractExtension(path, NativePathSyntax());
}

QString RemoveExtension(const QString &path)
{
    return RemoveExtension(path, NativePathSyntax());
}

int ParseIconLocation(QString &location)
{
    return ParseIconLocation(location, NativePathSyntax());
}

QString GetProgramFileName()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
}

QString GetCurrentDir()
{
    return QDir::toNativeSeparators(QDir::currentPath());
}
