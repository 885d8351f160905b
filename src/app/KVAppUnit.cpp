#include "app/KVAppUnit.h"

#include <QCoreApplication>
#include <QMetaObject>

TKVAppForm::TKVAppForm(std::function<void(int)> exitApplication)
    : m_exitApplication(exitApplication ? std::move(exitApplication) : &TKVAppForm::exitLater)
{
    setObjectName(QStringLiteral("KVAppForm"));
    setWindowTitle(QStringLiteral("KVAppForm"));
    resize(140, 213);
}

void TKVAppForm::setQuitTasks(std::function<void()> quitTasks)
{
    m_quitTasks = std::move(quitTasks);
}

void TKVAppForm::requestQuit()
{
    if (m_quitTasks)
        m_quitTasks();
    m_exitApplication(0);
}

void TKVAppForm::setVisible(bool visible)
{
    if (!visible)
        QWidget::setVisible(false);
}

void TKVAppForm::exitLater(int code)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [code] { QCoreApplication::exit(code); },
        Qt::QueuedConnection);
}
