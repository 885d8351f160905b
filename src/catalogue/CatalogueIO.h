#pragma once

#include <QString>

#include <memory>

class Prompter;
class QObject;
class TGameEntry;
class TGameList;
class TRootList;

// What the reading and saving routines need from the program around them. The main
// window provides the real one; tests provide their own.
class CatalogueHost
{
public:
    virtual ~CatalogueHost() = default;

    virtual TRootList &rootList() = 0;
    // The directory of the program with a trailing separator; relative list file
    // names are written against it.
    virtual QString programDir() const = 0;
    // 1: a list is sorted by name whenever an entry is inserted.
    virtual int autoSort() const = 0;
    virtual Prompter &prompter() = 0;
    // Owners of the messages: the main window and the Add Entry dialog.
    virtual QObject *mainForm() = 0;
    virtual QObject *addForm() = 0;
    // Rebuilds every view of the catalogue from rootList().
    virtual void rebuildCategoryBar() = 0;
    // Asks the application to end once the events already waiting are handled.
    virtual void terminateApplication() = 0;
};

// Empties the catalogue, reads it again from every list file and rebuilds the views.
// A failure is shown and ends the application.
void ReadGameLists(CatalogueHost &host);

// Reads one list file into `list`, following its categories into their own list
// files. Relative names resolve against `currentDir`, the directory that stands for
// the process's current directory while reading. Lists at depth 11 and more stay
// empty. Raises KelvaroError("Error in <path>: <cause>").
void ReadListFile(TGameList &list, int depth, const QString &currentDir);

// One read of the catalogue: ReadListFile with the icon context and the limits that
// the list files of one read share.
class ListReader
{
public:
    // Lists at this depth and deeper are not read: the categories there stay empty.
    static constexpr int MaxDepth = 11;
    // List files read by one reader at most. A list file that names itself (or a list
    // that names it) several times would otherwise make the depth limit read
    // k^11 files; lists past this bound stay empty, like those at MaxDepth.
    static constexpr int MaxListFiles = 10000;

    // `prompter` and `iconOwner` go to LoadEntryIcons (nullptr: icon errors not shown).
    explicit ListReader(Prompter *prompter = nullptr, QObject *iconOwner = nullptr,
                        int maxListFiles = MaxListFiles);
    ~ListReader();
    ListReader(const ListReader &) = delete;
    ListReader &operator=(const ListReader &) = delete;

    // As ReadListFile. A list file that names itself is parsed once; one named from
    // several places is parsed at most twice while the files kept stay within a memory
    // budget; a file named once is not kept once read.
    void read(TGameList &list, int depth, const QString &currentDir);
    // How many list files this reader has read so far (a file read twice counts twice).
    int listFilesRead() const;

private:
    struct Data;
    std::unique_ptr<Data> d;
};

// Inserts the entry into the list at the index and writes the list's file (sorting
// first when AutoSort is 1). Returns true when saved; reports failure to the user.
bool InsertEntryAndSave(CatalogueHost &host, TGameList &list, std::unique_ptr<TGameEntry> entry,
                        int index);

// Removes the entry from the list and its section from the list's file; reports failure.
void RemoveEntryAndSave(CatalogueHost &host, TGameList &list, TGameEntry *entry);

// Sorts the list by name and writes its file; reports failure.
void SortAndSave(CatalogueHost &host, TGameList &list);
