#include "mainwindow/VersionInfo.h"

VersionInfo SplitFileVersion(const QString &fileVersion)
{
    const qsizetype dot = fileVersion.lastIndexOf(u'.');
    if (dot < 0)
        return {QString(), fileVersion};
    return {fileVersion.left(dot), fileVersion.mid(dot + 1)};
}

VersionInfo ReadVersionInfo()
{
    return SplitFileVersion(QStringLiteral(KELVARO_VERSION));
}
