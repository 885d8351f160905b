#include "support/FakePrompter.h"
#include "support/TestMain.h"
#include "widgets/HandlerGuard.h"
#include "widgets/WidgetPrompter.h"

#include <QAbstractButton>
#include <QAction>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Prompter::Icon)
Q_DECLARE_METATYPE(QMessageBox::Icon)

namespace {

// What a message box looked like when it came up.
struct Seen
{
    bool shown = false;
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget *parent = nullptr;
};

// Answers the next message box with `answer` (Escape: the key) and records it; looks again a little
// later when the box is not up yet.
void answerNextBox(Seen &seen, QMessageBox::StandardButton answer, int attempts = 200)
{
    QTimer::singleShot(attempts == 200 ? 0 : 10, [&seen, answer, attempts] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            if (attempts > 0)
                answerNextBox(seen, answer, attempts - 1);
            return;
        }
        seen.shown = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.format = box->textFormat();
        seen.buttons = box->standardButtons();
        seen.defaultButton = box->standardButton(box->defaultButton());
        seen.icon = box->icon();
        seen.parent = box->parentWidget();
        if (answer == QMessageBox::Escape)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(answer)->click();
    });
}

} // namespace

class TestWidgetPrompter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void message_data();
    void message();
    void messageOwner();
    void question_data();
    void question();
    void standardErrorBox();
    void displayText_data();
    void displayText();
    void guard_data();
    void guard();
    void guardedSlot();
};

void TestWidgetPrompter::message_data()
{
    QTest::addColumn<Prompter::Icon>("icon");
    QTest::addColumn<QMessageBox::Icon>("shownIcon");

    QTest::newRow("no icon") << Prompter::Icon::None << QMessageBox::NoIcon;
    QTest::newRow("information") << Prompter::Icon::Information << QMessageBox::Information;
    QTest::newRow("warning") << Prompter::Icon::Warning << QMessageBox::Warning;
    QTest::newRow("critical") << Prompter::Icon::Critical << QMessageBox::Critical;
}

void TestWidgetPrompter::message()
{
    QFETCH(Prompter::Icon, icon);
    QFETCH(QMessageBox::Icon, shownIcon);
    WidgetPrompter prompter;
    Seen seen;
    answerNextBox(seen, QMessageBox::Ok);
    prompter.message(nullptr, u"Instance control"_s, u"<b>Kelvaro</b> is\n\ralready running."_s,
                     icon);
    QVERIFY(seen.shown);
    QCOMPARE(seen.title, u"Instance control"_s);
    // Shown as written, never as markup, with the program's line break as one break.
    QCOMPARE(seen.text, u"<b>Kelvaro</b> is\nalready running."_s);
    QCOMPARE(seen.format, Qt::PlainText);
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(seen.icon, shownIcon);
}

void TestWidgetPrompter::messageOwner()
{
    WidgetPrompter prompter;
    QWidget owner;
    owner.setObjectName(u"KVMainForm"_s);

    // A hidden owner: the box stands on its own.
    Seen hidden;
    answerNextBox(hidden, QMessageBox::Ok);
    prompter.message(&owner, u"Error"_s, u"x"_s);
    QVERIFY(hidden.shown);
    QCOMPARE(hidden.parent, nullptr);

    // An owner on screen: the box is placed over it.
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    Seen shown;
    answerNextBox(shown, QMessageBox::Ok);
    prompter.message(&owner, u"Error"_s, u"x"_s);
    QVERIFY(shown.shown);
    QCOMPARE(shown.parent, &owner);
}

void TestWidgetPrompter::question_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<bool>("result");
    QTest::newRow("Yes") << QMessageBox::Yes << true;
    QTest::newRow("No") << QMessageBox::No << false;
    QTest::newRow("Escape key") << QMessageBox::Escape << false;
}

void TestWidgetPrompter::question()
{
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(bool, result);
    WidgetPrompter prompter;
    Seen seen;
    answerNextBox(seen, answer);
    QCOMPARE(prompter.question(nullptr, u"Are you sure?"_s, u"Delete Doom?"_s), result);
    QVERIFY(seen.shown);
    QCOMPARE(seen.title, u"Are you sure?"_s);
    QCOMPARE(seen.text, u"Delete Doom?"_s);
    QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(seen.defaultButton, QMessageBox::Yes); // Enter answers Yes, Escape No
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
}

void TestWidgetPrompter::standardErrorBox()
{
    WidgetPrompter prompter;
    Seen seen;
    answerNextBox(seen, QMessageBox::Ok);
    prompter.showError(u"Could not write the file."_s);
    QVERIFY(seen.shown);
    QCOMPARE(seen.title, u"Kelvaro"_s);
    QCOMPARE(seen.text, u"Could not write the file."_s);
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(seen.icon, QMessageBox::Critical);
}

void TestWidgetPrompter::displayText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    QTest::newRow("plain") << u"abc"_s << u"abc"_s;
    QTest::newRow("LF CR") << u"a\n\rb"_s << u"a\nb"_s;
    QTest::newRow("two LF CR") << u"a\n\r\n\rb"_s << u"a\n\nb"_s;
    QTest::newRow("CR LF") << u"a\r\nb"_s << u"a\nb"_s;
    QTest::newRow("lone CR") << u"a\rb"_s << u"a\nb"_s;
    QTest::newRow("lone LF") << u"a\nb"_s << u"a\nb"_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestWidgetPrompter::displayText()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(WidgetPrompter::displayText(text), shown);
}

void TestWidgetPrompter::guard_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("errors");

    QTest::newRow("no error") << 0 << QStringList{};
    QTest::newRow("program error") << 1 << QStringList{u"List index out of bounds (7)"_s};
    QTest::newRow("standard exception") << 2 << QStringList{u"disk on fire"_s};
    QTest::newRow("anything else") << 3 << QStringList{u"Unknown error"_s};
}

void TestWidgetPrompter::guard()
{
    QFETCH(int, kind);
    QFETCH(QStringList, errors);
    FakePrompter prompter;
    bool finished = false;
    RunGuarded(prompter, [&] {
        switch (kind) {
        case 1:
            throw ListIndexError(7);
        case 2:
            throw std::runtime_error("disk on fire");
        case 3:
            throw 42;
        default:
            break;
        }
        finished = true;
    });
    QCOMPARE(finished, kind == 0);
    QCOMPARE(prompter.texts(FakePrompter::Kind::Error), errors);
    QCOMPARE(prompter.records.size(), errors.size());
}

void TestWidgetPrompter::guardedSlot()
{
    // A handler connected through the guard: its error is shown and the signal's
    // emitter goes on.
    FakePrompter prompter;
    QAction action;
    int calls = 0;
    connect(&action, &QAction::triggered, &action, Guarded(prompter, [&] {
        ++calls;
        throw KelvaroError(u"Error sorting List. Write-protected?"_s);
    }));
    action.trigger();
    action.trigger();
    QCOMPARE(calls, 2);
    QCOMPARE(prompter.texts(FakePrompter::Kind::Error),
             (QStringList{u"Error sorting List. Write-protected?"_s,
                          u"Error sorting List. Write-protected?"_s}));
}

KELVARO_TEST_MAIN(TestWidgetPrompter)
#include "tst_widgetprompter.moc"
