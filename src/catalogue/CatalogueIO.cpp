#include "catalogue/CatalogueIO.h"

#include "catalogue/EntryIcons.h"
#include "catalogue/GameClasses.h"
#include "catalogue/PathHelpers.h"
#include "platform/HeapGrowth.h"
#include "platform/IniFile.h"
#include "platform/KelvaroError.h"
#include "platform/Prompter.h"

#include <QDir>
#include <QFile>
#include <QHash>

using namespace Qt::StringLiterals;

namespace {

// Line breaks inside messages are a line feed followed by a carriage return.
const QString LineBreak = u"\n\r"_s;

QString errorText(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const KelvaroError *>(&error))
        return own->message();
    return QString::fromLocal8Bit(error.what());
}

void showError(CatalogueHost &host, QObject *owner, const QString &text)
{
    host.prompter().message(owner, u"Error"_s, text, Prompter::Icon::None);
}

QString couldNotAccess(const TGameList &list)
{
    return u"Could not access "_s + list.FileName + LineBreak + u"Ensure access is possible."_s;
}

// The list file's full path: relative names against the directory standing for the
// current directory, "." and ".." resolved, in the platform's separators. No length
// limit.
QString fullListPath(const QString &fileName, const QString &currentDir)
{
    const QString base = currentDir.isEmpty() ? QDir::currentPath() : currentDir;
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(base).absoluteFilePath(fileName)));
}

} // namespace

// Parsed list files kept for reuse within one read, by their total size in bytes.
// Most list files are named once and are dropped as soon as they are read. A file
// named again (a list naming itself, or one shared by several categories) is kept
// from then on while the kept files stay under this budget; files being read (on the
// recursion stack) are always kept, so a file that names itself is parsed once.
constexpr qint64 ParsedFileBudget = 8 * 1024 * 1024;

struct ListReader::Data
{
    struct Parsed
    {
        std::shared_ptr<IniReader> document; // null while not kept
        qint64 bytes = 0;
        int requests = 0;
    };

    Prompter *prompter = nullptr;
    QObject *iconOwner = nullptr;
    int maxListFiles = 0;
    int listFilesRead = 0;
    QHash<QString, Parsed> files;
    qint64 parsedBytes = 0;
    // A large catalogue's memory in large pages: where page faults are slow, a first
    // read of 100,000 games then takes less than half the time.
    HeapGrowth heap;

    // The parsed file; a file named again is served from memory while kept.
    std::shared_ptr<IniReader> file(const QString &path)
    {
        Parsed &parsed = files[path];
        ++parsed.requests;
        if (!parsed.document) {
            qint64 bytes = 0;
            parsed.document = std::make_shared<IniReader>(load(path, bytes));
            parsed.bytes = bytes;
            parsedBytes += bytes;
        }
        return parsed.document;
    }

    // After the file at `path` is read: drops it unless it was named more than once,
    // and drops the parsed files nobody is reading once they take too much memory.
    void release(const QString &path)
    {
        if (const auto it = files.find(path);
            it != files.end() && it->requests == 1 && it->document.use_count() == 1)
            drop(*it);
        if (parsedBytes <= ParsedFileBudget)
            return;
        for (Parsed &parsed : files) {
            if (parsed.document.use_count() == 1)
                drop(parsed);
        }
    }

    void drop(Parsed &parsed)
    {
        parsed.document.reset();
        parsedBytes -= parsed.bytes;
        parsed.bytes = 0;
    }

    // A missing file is an empty list. A file that exists but cannot be read (a
    // directory in its place, no permission) is an error: read as empty, it would be
    // overwritten with nothing by the next save of the catalogue.
    static IniReader load(const QString &path, qint64 &bytesRead)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            if (!file.exists())
                return IniReader();
            throw KelvaroError(file.errorString());
        }
        std::optional<IniReader> reader = IniReader::read(file);
        if (!reader)
            throw KelvaroError(file.errorString());
        bytesRead = file.pos();
        return std::move(*reader);
    }
};

ListReader::ListReader(Prompter *prompter, QObject *iconOwner, int maxListFiles)
    : d(std::make_unique<Data>())
{
    d->prompter = prompter;
    d->iconOwner = iconOwner;
    d->maxListFiles = maxListFiles;
}

ListReader::~ListReader() = default;

int ListReader::listFilesRead() const
{
    return d->listFilesRead;
}

void ListReader::read(TGameList &list, int depth, const QString &currentDir)
{
    // The depth limit ends any cycle of list files naming each other; the bound on
    // the number of files keeps several references per file from multiplying.
    if (depth >= MaxDepth || d->listFilesRead >= d->maxListFiles)
        return;
    // A "CategoryFile" that is present but empty names no file: an empty category.
    if (list.FileName.isEmpty())
        return;

    const QString path = fullListPath(list.FileName, currentDir);
    try {
        ++d->listFilesRead;
        const std::shared_ptr<IniReader> document = d->file(path);
        const IniReader &ini = *document;
        const QString directory = ExtractDirectory(path);
        const IconContext icons{directory, d->prompter, d->iconOwner};

        const QString game = u"Game"_s;
        const qsizetype sections = ini.sectionCount();
        list.Entries.reserve(list.Entries.size() + size_t(sections));
        for (qsizetype i = 0; i < sections; ++i) {
            if (i % 64 == 0)
                d->heap.adviseNewMemory();
            const QString &section = ini.sectionName(i);
            // A missing "Type" reads as "Game".
            const QStringView type = ini.value(i, u"Type");
            if (type.isNull() || type == game) {
                auto entry =
                    std::make_unique<TGame>(section, ini.readString(i, u"GameFile", QString()),
                                            ini.readString(i, u"GamePath", QString()),
                                            ini.readString(i, u"GameParams", QString()),
                                            ini.readString(i, u"GameIcon", QString()));
                TGameEntry &added = *entry;
                list.Add(std::move(entry));
                LoadEntryIcons(added.IconLocation, added.SmallIcon, added.LargeIcon, icons);
            } else if (type == u"Category") {
                auto entry = std::make_unique<TGameList>(
                    section, ini.readString(i, u"CategoryIcon", QString()),
                    ini.readString(i, u"CategoryFile", section + u".ini"_s));
                TGameList &added = *entry;
                list.Add(std::move(entry));
                LoadEntryIcons(added.IconLocation, added.SmallIcon, added.LargeIcon, icons);
                // Relative names in this file resolve against this file's directory.
                read(added, depth + 1, directory);
            }
            // Any other type: no entry.
        }
    } catch (const std::exception &error) {
        throw KelvaroError(u"Error in "_s + path + u": "_s + errorText(error));
    }
    d->release(path);
}

void ReadListFile(TGameList &list, int depth, const QString &currentDir)
{
    ListReader reader;
    reader.read(list, depth, currentDir);
}

void ReadGameLists(CatalogueHost &host)
{
    try {
        TRootList &root = host.rootList();
        root.Clear();
        ListReader reader(&host.prompter(), host.mainForm());
        // The root list's name is absolute; were it relative, it would name the file
        // that the writers write, in the program directory.
        reader.read(root, 0, host.programDir());
        host.rebuildCategoryBar();
    } catch (const std::exception &error) {
        showError(host, host.mainForm(),
                  u"Error while reading ini files - possibly wrong file format."_s + LineBreak +
                      u"Fix or delete the corrupted file."_s + LineBreak +
                      u"Kelvaro will now close."_s + LineBreak + LineBreak +
                      u"Reported Error was: "_s + errorText(error));
        host.terminateApplication();
    }
}

bool InsertEntryAndSave(CatalogueHost &host, TGameList &list, std::unique_ptr<TGameEntry> entry,
                        int index)
{
    try {
        list.Insert(std::move(entry), index);
        if (host.autoSort() == 1)
            SortAndSave(host, list); // reports its own failure
        else
            list.Save(host.programDir());
        return true;
    } catch (const std::exception &) {
        showError(host, host.addForm(), couldNotAccess(list));
        return false;
    }
}

void RemoveEntryAndSave(CatalogueHost &host, TGameList &list, TGameEntry *entry)
{
    try {
        list.Remove(entry, host.programDir());
    } catch (const std::exception &) {
        showError(host, host.mainForm(), couldNotAccess(list));
    }
}

void SortAndSave(CatalogueHost &host, TGameList &list)
{
    try {
        list.SortByName();
        list.Save(host.programDir());
    } catch (const std::exception &) {
        showError(host, host.mainForm(), u"Error sorting List. Write-protected?"_s);
    }
}
