#pragma once

#include "catalogue/EntryIcon.h"

#include <QString>

#include <memory>
#include <vector>

class IniStore;

// The catalogue: games grouped into categories that nest. Each list (the root and
// every category) is stored in a list file of its own, one section per entry.
//
// The writers resolve a relative list file name against the program directory they
// are given; nothing here changes the process's current directory.

class TGameEntry
{
public:
    virtual ~TGameEntry();
    TGameEntry(const TGameEntry &) = delete;
    TGameEntry &operator=(const TGameEntry &) = delete;

    // Writes this entry's section, one write per key, in the order of the format.
    virtual void WriteEntry(IniStore &ini) const = 0;
    // Erases the section named Name with all its keys.
    virtual void EraseEntry(IniStore &ini) const;
    // Copies the fields (and, for lists, a deep copy of the entries) from source.
    // Raises KelvaroError("Invalid class typecast") for a source of an unsuitable class.
    virtual void Assign(const TGameEntry &source);

    QString Name;
    QString FileName;
    QString IconLocation;
    TIcon SmallIcon; // 16x16
    TIcon LargeIcon; // 32x32

protected:
    TGameEntry(QString name, QString fileName, QString iconLocation);
};

class TGame : public TGameEntry
{
public:
    TGame(QString name, QString fileName, QString gamePath, QString gameParams,
          QString iconLocation);

    void WriteEntry(IniStore &ini) const override;
    void Assign(const TGameEntry &source) override;

    QString GamePath;
    QString GameParams;
};

class TGameList : public TGameEntry
{
public:
    // Note the order: icon location before file name.
    TGameList(QString name, QString iconLocation, QString fileName);
    ~TGameList() override;

    void WriteEntry(IniStore &ini) const override;
    void Assign(const TGameEntry &source) override;

    // Appends the entry and takes ownership; returns its index.
    virtual int Add(std::unique_ptr<TGameEntry> entry);
    // Destroys every entry, recursively.
    virtual void Clear();
    // Erases the entry's section from this list's file, then destroys the entry.
    virtual void DeleteAt(int index, const QString &programDir);
    // Rewrites this list's file from the entries, replacing the old file in one step;
    // a file that already holds exactly those bytes is left as it is, and a list
    // without entries leaves no file. On failure the old file stays as it was
    // and KelvaroError("Unable to write to <FileName as stored>") is raised; DeleteAt
    // and Remove raise the same and keep the entry.
    virtual void Save(const QString &programDir);

    TGameEntry *Items(int index) const;
    int LastIndex() const;
    int Count() const { return static_cast<int>(Entries.size()); }
    // Inserts so that the entry gets the index (0 .. Count()); takes ownership.
    void Insert(std::unique_ptr<TGameEntry> entry, int index);
    // Sorts the games by name, case-insensitively in the user's locale; categories
    // keep their indexes. Touches no file.
    void SortByName();
    // Save, then SaveAll of every category among the entries, depth first.
    void SaveAll(const QString &programDir);
    // Moves the entry at fromIndex into destination (which may be this list) so that
    // toIndex counts positions as they were before the entry was taken out. Bad
    // indexes raise a list index error before anything moves; moving a category into
    // itself or below itself raises KelvaroError and moves nothing.
    void MoveEntry(TGameList &destination, int fromIndex, int toIndex);
    // Erases the entry's section from this list's file, removes and destroys it. An
    // entry that is not in this list raises ListIndexError(-1).
    void Remove(TGameEntry *entry, const QString &programDir);
    // Destroys the entry at the index; touches no file.
    void Discard(int index);

    // The list's file name resolved against programDir when relative.
    QString resolvedFileName(const QString &programDir) const;
    // True when `list` is this list or one of the categories below it, at any depth.
    bool contains(const TGameList *list) const;

    std::vector<std::unique_ptr<TGameEntry>> Entries;

private:
    void eraseAndDestroy(int index, const QString &programDir);
    [[noreturn]] void raiseWriteError() const;
};

class TRootList : public TGameList
{
public:
    TRootList(QString name, QString iconLocation, QString fileName);

    void Assign(const TGameEntry &source) override;
    int Add(std::unique_ptr<TGameEntry> entry) override;
    void Clear() override;
    void DeleteAt(int index, const QString &programDir) override;

    // Number of categories among the root's entries, as maintained by Add, DeleteAt,
    // Clear and Assign only.
    int CategoryCount = 0;
};
