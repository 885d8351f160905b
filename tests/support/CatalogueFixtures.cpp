#include "CatalogueFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace Qt::StringLiterals;

namespace CatalogueFixtures {

QByteArray utf16le(const QString &text)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

QString crlfLines(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + u"\r\n"_s;
    return text;
}

QStringList gameSection(const QString &name, const QString &gameFile, const QString &gamePath,
                        const QString &gameParams, const QString &gameIcon)
{
    return {u"["_s + name + u"]"_s,        u"Type=Game"_s,
            u"GameFile="_s + gameFile,     u"GamePath="_s + gamePath,
            u"GameParams="_s + gameParams, u"GameIcon="_s + gameIcon};
}

QStringList categorySection(const QString &name, const QString &categoryFile,
                            const QString &categoryIcon)
{
    return {u"["_s + name + u"]"_s, u"Type=Category"_s, u"CategoryIcon="_s + categoryIcon,
            u"CategoryFile="_s + categoryFile};
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

bool writeListFile(const QString &path, const QStringList &lines)
{
    return writeFile(path, utf16le(crlfLines(lines)));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString describe(const TGameList &list)
{
    QStringList parts;
    for (const auto &entry : list.Entries) {
        if (const auto *category = dynamic_cast<const TGameList *>(entry.get()))
            parts.append(entry->Name + u"["_s + describe(*category) + u"]"_s);
        else
            parts.append(entry->Name);
    }
    return parts.join(u", "_s);
}

#ifdef Q_OS_UNIX
FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return;
    m_oldLimit = limit.rlim_cur;
    // Past the limit a write fails with EFBIG instead of ending the process.
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = rlim_t(bytes);
    m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FileSizeLimit::~FileSizeLimit()
{
    if (!m_active)
        return;
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(m_oldLimit);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_oldHandler);
}
#else
FileSizeLimit::FileSizeLimit(qint64) {}
FileSizeLimit::~FileSizeLimit() = default;
#endif

} // namespace CatalogueFixtures

FakeCatalogueHost::FakeCatalogueHost(QString programDir)
    : root(u"RootList"_s, QString(), QString()), dir(std::move(programDir))
{
    if (!dir.endsWith(u'/') && !dir.endsWith(QDir::separator()))
        dir += QDir::separator();
    root.FileName = dir + u"Kelvaro.ini"_s;
    mainFormObject.setObjectName(u"KVMainForm"_s);
    addFormObject.setObjectName(u"KVAddForm"_s);
}

void FakeCatalogueHost::rebuildCategoryBar()
{
    ++rebuildCount;
    rebuiltCatalogues.append(CatalogueFixtures::describe(root));
}
