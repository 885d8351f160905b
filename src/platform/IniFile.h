#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QFileDevice;

// The five operations through which the catalogue reads and writes list files.
// Section and key names match without regard to case.
class IniStore
{
public:
    virtual ~IniStore() = default;

    // The value, or defaultValue when the section or the key is missing. Values are
    // read up to 2,047 characters.
    virtual QString readString(const QString &section, const QString &key,
                               const QString &defaultValue) = 0;
    // Sets the value, creating the section and the key when missing.
    // Raises KelvaroError("Unable to write to <file>") when it cannot be stored.
    virtual void writeString(const QString &section, const QString &key, const QString &value) = 0;
    // All section names in file order; none when the file is missing.
    virtual QStringList readSections() = 0;
    // Removes the section with all its keys. Raises like writeString.
    virtual void eraseSection(const QString &section) = 0;
    // Flushes and releases the object.
    virtual void close() = 0;
};

// An ini file held in memory: parsed from and serialised to the bytes of a list
// file. A new document is UTF-16LE with a byte-order mark and CRLF line ends; a
// parsed one keeps the encoding it was read in.
//
// Syntax, read as the Windows private-profile service reads it:
// - "[name]" starts a section (the name ends at the last "]" of the line); other
//   lines of the form key=value belong to the section above them; a line whose
//   first non-blank character is ";" is a comment. Blank lines, other lines and
//   keys before the first section are ignored (and kept in the file).
// - Section names, key names and values are trimmed of blanks (space, tab, vertical
//   tab, form feed). A value wrapped in matching quotes (" or ') is read without them.
// - Of sections with the same name (any case) only the first counts; of keys with
//   the same name in one section, the first. Lines may end in CR LF, LF or CR.
// - A value is read up to 2,047 characters (never splitting a surrogate pair).
// - Encodings: UTF-16LE or UTF-16BE with byte-order mark; UTF-8 with byte-order mark;
//   without a mark, UTF-8 when the bytes are valid UTF-8, else Windows-1252. A parsed
//   document is written back in its own encoding and line-end style; lines that were
//   not changed come out byte for byte as they were read. When a written text cannot
//   be represented in an 8-bit file's encoding, the whole document becomes UTF-16LE
//   with a byte-order mark rather than lose characters. A Windows-1252 document whose
//   bytes would read back as UTF-8 (once the bytes that were not valid UTF-8 are gone
//   with an erased section) is written as UTF-8 with a byte-order mark. encoding()
//   names a UTF-16BE document Utf16LE (UTF-16); it is written back big-endian.
//
// Storage of what the syntax cannot carry:
// - A section or key name that is empty, has blanks at either end, contains a line
//   break or "]" (sections) or "=" (keys), or starts with ";" or "[" (keys) is stored
//   in an escaped form: "%%" followed by the name, in which "%", "]", "=", CR, LF and
//   the blanks at either end are written as "%" and two upper-case hex digits
//   ("a]" becomes "[%%a%5D]"). A name that itself starts with "%%" is escaped as
//   well, so every name reads back exactly as it was written; a stored name starting
//   with "%%" is always read in this form.
// - A value with blanks at either end, or one that starts and ends with the same
//   quote character, is written wrapped in double quotes, which the reader removes.
// - Each CR and LF inside a value is written as a space: a value stays on its line.
//
// Erasing a section erases every section of that name (duplicates included), so
// that an erased name cannot come back from a later duplicate; the comment lines
// inside an erased section are kept.
class IniDocument : public IniStore
{
public:
    enum class Encoding { Utf16LE, Utf8WithBom, Utf8, Windows1252 };

    IniDocument();
    ~IniDocument() override;
    IniDocument(const IniDocument &);
    IniDocument &operator=(const IniDocument &);
    IniDocument(IniDocument &&) noexcept;
    IniDocument &operator=(IniDocument &&) noexcept;

    static IniDocument parse(const QByteArray &bytes);
    QByteArray serialize() const;

    Encoding encoding() const;
    bool isEmpty() const; // no sections at all

    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue) override;
    void writeString(const QString &section, const QString &key, const QString &value) override;
    QStringList readSections() override;
    void eraseSection(const QString &section) override;
    void close() override {}

private:
    friend class IniFile;
    // Erases like eraseSection; false when no section of that name existed.
    bool removeSection(const QString &section);

    struct Data;
    std::unique_ptr<Data> d;
};

// A new ini document written straight into the bytes of its file, for a whole list
// written section by section: the bytes are exactly those that an IniDocument given
// the same writeString calls would serialise to (UTF-16LE with a byte-order mark, CR
// LF), without its line table and index. That holds while each section is written in
// one run and each key once in it; a call that breaks this (a section written again
// after another one of a name equal apart from case, a key written twice, or any read
// or erase) hands the document over: from then on the writer ignores every call, and
// the caller builds an IniDocument from the same calls instead, which merges them.
class IniWriter : public IniStore
{
public:
    // `sections`: how many sections are likely to come, to make room at once.
    explicit IniWriter(qsizetype sections = 0);
    ~IniWriter() override;
    IniWriter(const IniWriter &) = delete;
    IniWriter &operator=(const IniWriter &) = delete;

    // True when the document has to be built as an IniDocument.
    bool handedOver() const;
    bool isEmpty() const; // no sections at all
    // The file's bytes (only while not handed over).
    const QByteArray &bytes() const;

    // Hands over: the writer keeps no values to read back.
    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue) override;
    void writeString(const QString &section, const QString &key, const QString &value) override;
    QStringList readSections() override;                // hands over
    void eraseSection(const QString &section) override; // hands over
    void close() override {}

private:
    struct Data;
    std::unique_ptr<Data> d;
};

// A list file parsed for reading only, as the catalogue reader reads it: the text is
// decoded once and each line is only located; a section name becomes a string when
// the section is parsed, a value when it is asked for. It reads exactly what an
// IniDocument parsed from the same bytes reads (same syntax, encodings, escapes,
// first of duplicate sections and keys, 2,047-character limit), with less memory and
// time, and cannot change anything.
class IniReader
{
public:
    IniReader();
    ~IniReader();
    IniReader(IniReader &&) noexcept;
    IniReader &operator=(IniReader &&) noexcept;

    static IniReader parse(const QByteArray &bytes);
    // Reads the open file to its end; nullopt when reading fails (file.errorString()).
    static std::optional<IniReader> read(QFileDevice &file);

    // The sections as IniDocument::readSections gives them: in file order, the first
    // of each name only.
    qsizetype sectionCount() const;
    const QString &sectionName(qsizetype section) const;
    // The value of the key in the section (an index below sectionCount()) as
    // IniDocument::readString reads it; a null view when the section has no such key.
    // The view is valid as long as this reader.
    QStringView value(qsizetype section, QStringView key) const;
    QString readString(qsizetype section, QStringView key, const QString &defaultValue) const;

private:
    struct Data;
    std::unique_ptr<Data> d;
};

// An ini object opened on one file. Opening touches no file; every write and erase
// reaches the disk before the call returns, through one atomic replacement of the
// file, so a failure never leaves a half-written file behind; a file that already
// holds exactly the new content is not written again. Reads parse the file
// once and keep it until the object changes the file or is closed; a change starts
// from the file as it is on disk, so it keeps what other objects wrote meanwhile. A
// file that exists but cannot be read is never overwritten: the change raises.
class IniFile : public IniStore
{
public:
    explicit IniFile(QString fileName);
    ~IniFile() override;

    const QString &fileName() const;

    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue) override;
    void writeString(const QString &section, const QString &key, const QString &value) override;
    QStringList readSections() override;
    void eraseSection(const QString &section) override;
    void close() override;

    // Makes `document` the whole new content of `fileName` in one atomic step; the
    // previous file stays whole until the new one is complete, and a file that holds
    // exactly the new bytes already is left alone. A document without sections
    // removes the file instead. Raises KelvaroError("Unable to write to
    // <fileName>") on failure.
    static void replaceFile(const QString &fileName, const IniDocument &document);
    // The same for a writer that was not handed over.
    static void replaceFile(const QString &fileName, const IniWriter &writer);

private:
    struct Data;
    std::unique_ptr<Data> d;
};
