#include "widgets/WidgetPrompter.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

QMessageBox::Icon boxIcon(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case Prompter::Icon::Critical:
        return QMessageBox::Critical;
    case Prompter::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// A box with the given buttons and its text shown exactly as given, never as markup.
int runBox(QObject *owner, QMessageBox::Icon icon, const QString &caption, const QString &text,
           QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, caption, WidgetPrompter::displayText(text), buttons,
                    WidgetPrompter::parentFor(owner));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return box.exec();
}

} // namespace

QString WidgetPrompter::displayText(const QString &text)
{
    QString result = text;
    result.replace(u"\n\r"_s, u"\n"_s);
    result.replace(u"\r\n"_s, u"\n"_s);
    result.replace(u'\r', u'\n');
    return result;
}

QWidget *WidgetPrompter::parentFor(QObject *owner)
{
    auto *widget = qobject_cast<QWidget *>(owner);
    if (!widget || !widget->isVisible() || widget->isMinimized())
        return nullptr;
    return widget->window();
}

void WidgetPrompter::message(QObject *owner, const QString &caption, const QString &text, Icon icon)
{
    runBox(owner, boxIcon(icon), caption, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool WidgetPrompter::question(QObject *owner, const QString &caption, const QString &text)
{
    return runBox(owner, QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No,
                  QMessageBox::Yes) == QMessageBox::Yes;
}

void WidgetPrompter::showError(const QString &text)
{
    runBox(nullptr, QMessageBox::Critical, u"Kelvaro"_s, text, QMessageBox::Ok, QMessageBox::Ok);
}

QString WidgetPrompter::openFile(QObject *owner, const QString &caption, const QString &filter,
                                 const QString &fileName)
{
    return QFileDialog::getOpenFileName(parentFor(owner), caption, fileName, filter);
}

QString WidgetPrompter::saveFile(QObject *owner, const QString &caption, const QString &filter,
                                 const QString &fileName)
{
    return QFileDialog::getSaveFileName(parentFor(owner), caption, fileName, filter);
}

std::optional<QColor> WidgetPrompter::chooseColor(QObject *owner, const QColor &initial)
{
    const QColor chosen = QColorDialog::getColor(initial, parentFor(owner));
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}
