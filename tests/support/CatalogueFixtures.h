#pragma once

#include "catalogue/CatalogueIO.h"
#include "catalogue/GameClasses.h"
#include "support/FakePrompter.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

// Writers of list files for tests, and a catalogue host that records what the
// catalogue routines asked of the program around them.
namespace CatalogueFixtures {

// The text as a list file that the catalogue writes: byte-order mark FF FE, UTF-16LE.
QByteArray utf16le(const QString &text);
// Lines joined with CR LF, one CR LF after the last line too.
QString crlfLines(const QStringList &lines);

// The lines of a game section and of a category section, keys in the written order.
QStringList gameSection(const QString &name, const QString &gameFile = {},
                        const QString &gamePath = {}, const QString &gameParams = {},
                        const QString &gameIcon = {});
QStringList categorySection(const QString &name, const QString &categoryFile,
                            const QString &categoryIcon = {});

// Writes the bytes to the file, creating its directories; false on failure.
bool writeFile(const QString &path, const QByteArray &bytes);
// Writes the lines as a UTF-16LE list file with CR LF line ends.
bool writeListFile(const QString &path, const QStringList &lines);
// The file's bytes; empty when it cannot be read.
QByteArray readFile(const QString &path);

// The list as one line: names in order, categories with their entries in brackets,
// e.g. "Abe, Shooters[Doom, Quake], Zork".
QString describe(const TGameList &list);

// While it lives, files this process writes cannot grow past the given size (as on a
// full disk), so that saving fails even for root. Not available everywhere: check
// active().
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool active() const { return m_active; }

private:
    bool m_active = false;
    quint64 m_oldLimit = 0;
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace CatalogueFixtures

// The catalogue's host in tests: a root list on "<programDir>Kelvaro.ini", a
// FakePrompter, and owners named like the program's windows.
class FakeCatalogueHost : public CatalogueHost
{
public:
    explicit FakeCatalogueHost(QString programDir);

    TRootList root;
    QString dir; // with a trailing separator
    int autoSortValue = 0;
    FakePrompter fakePrompter;
    QObject mainFormObject;
    QObject addFormObject;
    int rebuildCount = 0;
    int terminateCount = 0;
    // describe(root) as it stood at each rebuildCategoryBar call.
    QStringList rebuiltCatalogues;

    TRootList &rootList() override { return root; }
    QString programDir() const override { return dir; }
    int autoSort() const override { return autoSortValue; }
    Prompter &prompter() override { return fakePrompter; }
    QObject *mainForm() override { return &mainFormObject; }
    QObject *addForm() override { return &addFormObject; }
    void rebuildCategoryBar() override;
    void terminateApplication() override { ++terminateCount; }
};
