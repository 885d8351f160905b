#pragma once

#include "platform/Prompter.h"

#include <QList>
#include <QStringList>

// A Prompter for tests: answers questions and dialogs from scripted queues and
// records every box it was asked to show.
class FakePrompter : public Prompter
{
public:
    enum class Kind { Message, Question, Error, OpenFile, SaveFile, Color };

    struct Record
    {
        Kind kind;
        QString owner; // objectName of the owner; empty for none
        QString caption;
        QString text;
    };

    // Answers, consumed in order; when a queue is empty: No, cancel.
    QList<bool> questionAnswers;
    QStringList fileAnswers;
    QList<std::optional<QColor>> colorAnswers;

    QList<Record> records;

    void message(QObject *owner, const QString &caption, const QString &text, Icon icon) override;
    bool question(QObject *owner, const QString &caption, const QString &text) override;
    void showError(const QString &text) override;
    QString openFile(QObject *owner, const QString &caption, const QString &filter,
                     const QString &fileName) override;
    QString saveFile(QObject *owner, const QString &caption, const QString &filter,
                     const QString &fileName) override;
    std::optional<QColor> chooseColor(QObject *owner, const QColor &initial) override;

    // The texts of all records of one kind, in order.
    QStringList texts(Kind kind) const;
    QList<Icon> icons; // the icon of each Message record, in order
};
