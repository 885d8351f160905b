#include "catalogue/GameClasses.h"

#include "platform/IniFile.h"
#include "platform/KelvaroError.h"

#include <QCollator>
#include <QDir>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void raiseInvalidTypecast()
{
    throw KelvaroError(u"Invalid class typecast"_s);
}

bool isCategory(const TGameEntry *entry)
{
    return dynamic_cast<const TGameList *>(entry) != nullptr;
}

// A deep copy of one entry: categories become TGameList, games TGame.
std::unique_ptr<TGameEntry> copyEntry(const TGameEntry &source)
{
    std::unique_ptr<TGameEntry> copy;
    if (isCategory(&source))
        copy = std::make_unique<TGameList>(QString(), QString(), QString());
    else
        copy = std::make_unique<TGame>(QString(), QString(), QString(), QString(), QString());
    copy->Assign(source);
    return copy;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TGameEntry

TGameEntry::TGameEntry(QString name, QString fileName, QString iconLocation)
    : Name(std::move(name)), FileName(std::move(fileName)), IconLocation(std::move(iconLocation))
{}

TGameEntry::~TGameEntry() = default;

void TGameEntry::EraseEntry(IniStore &ini) const
{
    ini.eraseSection(Name);
}

void TGameEntry::Assign(const TGameEntry &source)
{
    if (&source == this)
        return;
    Name = source.Name;
    FileName = source.FileName;
    IconLocation = source.IconLocation;
    SmallIcon.assign(source.SmallIcon);
    LargeIcon.assign(source.LargeIcon);
}

// ---------------------------------------------------------------------------------------
// TGame

TGame::TGame(QString name, QString fileName, QString gamePath, QString gameParams,
             QString iconLocation)
    : TGameEntry(std::move(name), std::move(fileName), std::move(iconLocation)),
      GamePath(std::move(gamePath)), GameParams(std::move(gameParams))
{}

void TGame::WriteEntry(IniStore &ini) const
{
    ini.writeString(Name, u"Type"_s, u"Game"_s);
    ini.writeString(Name, u"GameFile"_s, FileName);
    ini.writeString(Name, u"GamePath"_s, GamePath);
    ini.writeString(Name, u"GameParams"_s, GameParams);
    ini.writeString(Name, u"GameIcon"_s, IconLocation);
}

void TGame::Assign(const TGameEntry &source)
{
    const auto *game = dynamic_cast<const TGame *>(&source);
    if (!game)
        raiseInvalidTypecast();
    TGameEntry::Assign(source);
    GamePath = game->GamePath;
    GameParams = game->GameParams;
}

// ---------------------------------------------------------------------------------------
// TGameList

TGameList::TGameList(QString name, QString iconLocation, QString fileName)
    : TGameEntry(std::move(name), std::move(fileName), std::move(iconLocation))
{}

TGameList::~TGameList() = default;

void TGameList::WriteEntry(IniStore &ini) const
{
    ini.writeString(Name, u"Type"_s, u"Category"_s);
    ini.writeString(Name, u"CategoryIcon"_s, IconLocation);
    ini.writeString(Name, u"CategoryFile"_s, FileName);
}

void TGameList::Assign(const TGameEntry &source)
{
    const auto *list = dynamic_cast<const TGameList *>(&source);
    if (!list)
        raiseInvalidTypecast();
    // The copies are made before anything here changes: the source may be this list
    // or lie inside it, and Clear would destroy it.
    std::vector<std::unique_ptr<TGameEntry>> copies;
    copies.reserve(list->Entries.size());
    for (const auto &entry : list->Entries)
        copies.push_back(copyEntry(*entry));
    TGameEntry::Assign(source);
    Clear();
    for (auto &copy : copies)
        Add(std::move(copy));
}

int TGameList::Add(std::unique_ptr<TGameEntry> entry)
{
    Q_ASSERT(entry);
    Entries.push_back(std::move(entry));
    return LastIndex();
}

void TGameList::Clear()
{
    // Taken out first, so that the list is already empty while its entries are destroyed.
    std::vector<std::unique_ptr<TGameEntry>> old;
    old.swap(Entries);
}

void TGameList::DeleteAt(int index, const QString &programDir)
{
    eraseAndDestroy(index, programDir);
}

void TGameList::Save(const QString &programDir)
{
    // The new content is built in memory and replaces the old file in one step: a
    // failure leaves the previous file whole. Entries usually have names of their own
    // and are written straight into the file's bytes; when two names are equal apart
    // from case, their writes go to one section, which the document merges.
    IniWriter writer(Count());
    for (const auto &entry : Entries)
        entry->WriteEntry(writer);
    std::optional<IniDocument> document;
    if (writer.handedOver()) {
        document.emplace();
        for (const auto &entry : Entries)
            entry->WriteEntry(*document);
    }
    try {
        if (document)
            IniFile::replaceFile(resolvedFileName(programDir), *document);
        else
            IniFile::replaceFile(resolvedFileName(programDir), writer);
    } catch (const KelvaroError &) {
        raiseWriteError();
    }
}

TGameEntry *TGameList::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw ListIndexError(index);
    return Entries[std::size_t(index)].get();
}

int TGameList::LastIndex() const
{
    return Count() - 1;
}

void TGameList::Insert(std::unique_ptr<TGameEntry> entry, int index)
{
    Q_ASSERT(entry);
    if (index < 0 || index > Count())
        throw ListIndexError(index);
    Entries.insert(Entries.begin() + index, std::move(entry));
}

void TGameList::SortByName()
{
    QCollator collator; // the user's locale
    collator.setCaseSensitivity(Qt::CaseInsensitive);

    std::vector<std::unique_ptr<TGameEntry>> games;
    for (auto &entry : Entries) {
        if (!isCategory(entry.get()))
            games.push_back(std::move(entry));
    }
    std::stable_sort(games.begin(), games.end(), [&collator](const auto &a, const auto &b) {
        return collator.compare(a->Name, b->Name) < 0;
    });
    // Categories stay where they are; the games fill the other places in name order.
    auto next = games.begin();
    for (auto &entry : Entries) {
        if (!entry)
            entry = std::move(*next++);
    }
}

void TGameList::SaveAll(const QString &programDir)
{
    Save(programDir);
    for (const auto &entry : Entries) {
        if (auto *list = dynamic_cast<TGameList *>(entry.get()))
            list->SaveAll(programDir);
    }
}

void TGameList::MoveEntry(TGameList &destination, int fromIndex, int toIndex)
{
    if (fromIndex < 0 || fromIndex >= Count())
        throw ListIndexError(fromIndex);
    if (&destination == this && fromIndex < toIndex)
        --toIndex;
    const int room = &destination == this ? Count() - 1 : destination.Count();
    // Checked before the entry is taken out, so that a bad index changes nothing.
    if (toIndex < 0 || toIndex > room)
        throw ListIndexError(toIndex);
    // A category moved into itself or into one of its own categories would leave the
    // catalogue and own itself.
    if (const auto *moved = dynamic_cast<const TGameList *>(Entries[std::size_t(fromIndex)].get());
        moved && moved->contains(&destination))
        throw KelvaroError(u"Cannot move a category into itself"_s);

    std::unique_ptr<TGameEntry> entry = std::move(Entries[std::size_t(fromIndex)]);
    Entries.erase(Entries.begin() + fromIndex);
    destination.Insert(std::move(entry), toIndex);
}

void TGameList::Remove(TGameEntry *entry, const QString &programDir)
{
    const auto found = std::find_if(Entries.begin(), Entries.end(),
                                    [entry](const auto &own) { return own.get() == entry; });
    // An entry of another list has no index here.
    if (found == Entries.end())
        throw ListIndexError(-1);
    eraseAndDestroy(int(found - Entries.begin()), programDir);
}

void TGameList::Discard(int index)
{
    if (index < 0 || index >= Count())
        throw ListIndexError(index);
    std::unique_ptr<TGameEntry> entry = std::move(Entries[std::size_t(index)]);
    Entries.erase(Entries.begin() + index);
}

QString TGameList::resolvedFileName(const QString &programDir) const
{
    if (QDir::isAbsolutePath(FileName) || programDir.isEmpty())
        return FileName;
    QString result = programDir;
    if (!result.endsWith(u'/') && !result.endsWith(QDir::separator()))
        result.append(QDir::separator());
    return result + FileName;
}

bool TGameList::contains(const TGameList *list) const
{
    if (list == this)
        return true;
    for (const auto &entry : Entries) {
        if (const auto *category = dynamic_cast<const TGameList *>(entry.get());
            category && category->contains(list))
            return true;
    }
    return false;
}

void TGameList::eraseAndDestroy(int index, const QString &programDir)
{
    if (index < 0 || index >= Count())
        throw ListIndexError(index);
    IniFile ini(resolvedFileName(programDir));
    try {
        Entries[std::size_t(index)]->EraseEntry(ini);
        ini.close();
    } catch (const KelvaroError &) {
        raiseWriteError();
    }
    std::unique_ptr<TGameEntry> entry = std::move(Entries[std::size_t(index)]);
    Entries.erase(Entries.begin() + index);
}

void TGameList::raiseWriteError() const
{
    // Named as stored, the way the list file is known to the user and in the list files.
    throw KelvaroError(u"Unable to write to %1"_s.arg(FileName));
}

// ---------------------------------------------------------------------------------------
// TRootList

TRootList::TRootList(QString name, QString iconLocation, QString fileName)
    : TGameList(std::move(name), std::move(iconLocation), std::move(fileName))
{}

void TRootList::Assign(const TGameEntry &source)
{
    const auto *root = dynamic_cast<const TRootList *>(&source);
    if (!root)
        raiseInvalidTypecast();
    const int count = root->CategoryCount; // the source may lie inside this list
    TGameList::Assign(source);
    CategoryCount = count;
}

int TRootList::Add(std::unique_ptr<TGameEntry> entry)
{
    const bool category = isCategory(entry.get());
    const int index = TGameList::Add(std::move(entry));
    if (category)
        ++CategoryCount;
    return index;
}

void TRootList::Clear()
{
    TGameList::Clear();
    CategoryCount = 0;
}

void TRootList::DeleteAt(int index, const QString &programDir)
{
    const bool category = index >= 0 && index < Count() && isCategory(Items(index));
    TGameList::DeleteAt(index, programDir);
    if (category)
        --CategoryCount;
}
