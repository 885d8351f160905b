#include "FakePrompter.h"

#include <QObject>

namespace {
QString ownerName(QObject *owner)
{
    return owner ? owner->objectName() : QString();
}
} // namespace

void FakePrompter::message(QObject *owner, const QString &caption, const QString &text, Icon icon)
{
    records.append({Kind::Message, ownerName(owner), caption, text});
    icons.append(icon);
}

bool FakePrompter::question(QObject *owner, const QString &caption, const QString &text)
{
    records.append({Kind::Question, ownerName(owner), caption, text});
    return questionAnswers.isEmpty() ? false : questionAnswers.takeFirst();
}

void FakePrompter::showError(const QString &text)
{
    records.append({Kind::Error, QString(), QString(), text});
}

QString FakePrompter::openFile(QObject *owner, const QString &caption, const QString &filter,
                               const QString &)
{
    records.append({Kind::OpenFile, ownerName(owner), caption, filter});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QString FakePrompter::saveFile(QObject *owner, const QString &caption, const QString &filter,
                               const QString &)
{
    records.append({Kind::SaveFile, ownerName(owner), caption, filter});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

std::optional<QColor> FakePrompter::chooseColor(QObject *owner, const QColor &)
{
    records.append({Kind::Color, ownerName(owner), QString(), QString()});
    return colorAnswers.isEmpty() ? std::nullopt : colorAnswers.takeFirst();
}

QStringList FakePrompter::texts(Kind kind) const
{
    QStringList result;
    for (const Record &r : records)
        if (r.kind == kind)
            result.append(r.text);
    return result;
}
