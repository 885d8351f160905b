#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

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
    struct Data;
    std::unique_ptr<Data> d;
};

// An ini object opened on one file. Opening touches no file; every write and erase
// reaches the disk before the call returns, through one atomic replacement of the
// file, so a failure never leaves a half-written file behind.
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
    // previous file stays whole until the new one is complete. A document without
    // sections removes the file instead. Raises KelvaroError("Unable to write to
    // <fileName>") on failure.
    static void replaceFile(const QString &fileName, const IniDocument &document);

private:
    struct Data;
    std::unique_ptr<Data> d;
};
