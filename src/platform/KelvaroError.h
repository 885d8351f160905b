#pragma once

#include <QString>

#include <exception>

// The one exception type of the program: an error carrying the text that the user
// is shown. Catalogue and settings code raise it; window handlers catch it.
class KelvaroError : public std::exception
{
public:
    explicit KelvaroError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Raised by list operations given an index outside their range.
class ListIndexError : public KelvaroError
{
public:
    explicit ListIndexError(qsizetype index)
        : KelvaroError(QStringLiteral("List index out of bounds (%1)").arg(index))
    {
    }
};
