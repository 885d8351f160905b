#include "app/KVAppUnit.h"
#include "app/Startup.h"
#include "catalogue/GameClasses.h"
#include "editors/KVAddUnit.h"
#include "editors/KVEditUnit.h"
#include "mainwindow/CategoryBar.h"
#include "mainwindow/KVMainUnit.h"
#include "settings/KVAboutUnit.h"
#include "settings/KVSettingsUnit.h"
#include "support/CatalogueFixtures.h"
#include "support/FakePrompter.h"
#include "support/TestMain.h"

#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;
using namespace CatalogueFixtures;

namespace {

const QString AlreadyRunning = u"Kelvaro is already running."_s;

// A lock file as a process of this machine would have written it.
bool writeLockFile(const QString &path, qint64 pid, const QString &processName)
{
    const QByteArray contents = QByteArray::number(pid) + '\n' + processName.toUtf8() + '\n' +
                                QSysInfo::machineHostName().toUtf8() + '\n' +
                                QSysInfo::machineUniqueId() + '\n' + QSysInfo::bootUniqueId() +
                                '\n';
    return writeFile(path, contents);
}

bool setAge(const QString &path, int seconds)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    return file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds),
                            QFileDevice::FileModificationTime);
}

// A program started with every test seam in place.
struct ProgramHarness
{
    explicit ProgramHarness(const QString &programDir, std::optional<int> startMode = {})
    {
        StartupOptions options;
        options.programDir = programDir;
        options.startModeOverride = startMode;
        options.windowCreated = [this](QWidget &window) {
            created.append(window.objectName());
            // The catalogue as it stood when the window was made.
            catalogueAtCreation.append(program && program->mainForm()
                                           ? describe(program->mainForm()->rootList())
                                           : u"-"_s);
        };
        options.runModal = [this](QDialog &dialog) { modals.append(dialog.objectName()); };
        options.exitApplication = [this](int code) { exitCodes.append(code); };
        program = std::make_unique<KelvaroProgram>(prompter, std::move(options));
    }

    FakePrompter prompter;
    std::unique_ptr<KelvaroProgram> program;
    QStringList created;
    QStringList catalogueAtCreation;
    QStringList modals;
    QList<int> exitCodes;
};

QString programDirOf(const QTemporaryDir &dir)
{
    return QDir::toNativeSeparators(dir.path() + u'/');
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One Kelvaro per user
    void secondHolderIsRefused();
    void liveOwnerBlocksWhateverTheLockAge();
    void lockOfEndedProcessIsTakenOver();
    void lockWhoseProcessIdWasReusedIsTakenOver();
    void unreadableLock_data();
    void unreadableLock();
    void noLockPossibleRunsAnyway();
    void lockLivesInTheRuntimeDirectory();

    // Program directory
    void writableDirectory();
    void readOnlyDirectoryIsNotWritable();
    void programDir_data();
    void programDir();

    // Start-up
    void windowsAreCreatedInOrder();
    void startMode_data();
    void startMode();
    void noListFileStartsEmpty();
    void firstReadFailureEndsTheRunAfterStartUp();
    void terminationBeforeTheLoopEndsTheLoop();

    // Quit
    void quitRunsQuitTasksThenEnds();
    void appFormIsNeverShown();
};

// ---- One Kelvaro per user ----

void TestStartup::secondHolderIsRefused()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"Kelvaro.lock"_s);

    QLockFile first(path);
    FakePrompter firstPrompter;
    QVERIFY(AcquireInstanceLock(first, firstPrompter));
    QVERIFY(firstPrompter.records.isEmpty());

    QLockFile second(path);
    FakePrompter secondPrompter;
    QVERIFY(!AcquireInstanceLock(second, secondPrompter));
    QCOMPARE(secondPrompter.records.size(), 1);
    const FakePrompter::Record &record = secondPrompter.records.first();
    QCOMPARE(record.kind, FakePrompter::Kind::Message);
    QCOMPARE(record.owner, QString()); // the hidden application form
    QCOMPARE(record.caption, u"Instance control"_s);
    QCOMPARE(record.text, AlreadyRunning);
    QCOMPARE(secondPrompter.icons.first(), Prompter::Icon::None);

    // The first instance is untouched: it still holds its lock.
    QVERIFY(first.isLocked());
    QVERIFY(QFileInfo::exists(path));

    // Once the first has ended, the next start goes ahead.
    first.unlock();
    QLockFile third(path);
    FakePrompter thirdPrompter;
    QVERIFY(AcquireInstanceLock(third, thirdPrompter));
    QVERIFY(thirdPrompter.records.isEmpty());
}

void TestStartup::liveOwnerBlocksWhateverTheLockAge()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"Kelvaro.lock"_s);
    QLockFile first(path);
    FakePrompter prompter;
    QVERIFY(AcquireInstanceLock(first, prompter));
    // A long run: the lock file was written a day ago.
    QVERIFY(setAge(path, 24 * 3600));

    QLockFile second(path);
    QVERIFY(!AcquireInstanceLock(second, prompter));
    QCOMPARE(prompter.texts(FakePrompter::Kind::Message), QStringList{AlreadyRunning});
    QVERIFY(first.isLocked());
}

void TestStartup::lockOfEndedProcessIsTakenOver()
{
    // A Kelvaro that crashed leaves its lock file behind.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"Kelvaro.lock"_s);
    const QString program = QStandardPaths::findExecutable(u"true"_s);
    if (program.isEmpty())
        QSKIP("no program 'true' to stand for a process that has ended");
    QProcess ended;
    ended.start(program, {});
    QVERIFY(ended.waitForStarted());
    const qint64 pid = ended.processId();
    QVERIFY(ended.waitForFinished());
    QVERIFY(writeLockFile(path, pid, u"kelvaro"_s));

    QLockFile lock(path);
    FakePrompter prompter;
    QVERIFY(AcquireInstanceLock(lock, prompter));
    QVERIFY(prompter.records.isEmpty());
    QVERIFY(lock.isLocked());
}

void TestStartup::lockWhoseProcessIdWasReusedIsTakenOver()
{
    // The crashed Kelvaro's process id now belongs to another program.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"Kelvaro.lock"_s);
    const QString program = QStandardPaths::findExecutable(u"sleep"_s);
    if (program.isEmpty())
        QSKIP("no program 'sleep' to stand for another running program");
    QProcess other;
    other.start(program, {u"30"_s});
    QVERIFY(other.waitForStarted());
    QVERIFY(writeLockFile(path, other.processId(), u"kelvaro"_s));

    QLockFile lock(path);
    FakePrompter prompter;
    const bool acquired = AcquireInstanceLock(lock, prompter);
    other.kill();
    other.waitForFinished();
    QVERIFY(acquired);
    QVERIFY(prompter.records.isEmpty());
}

void TestStartup::unreadableLock_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("acquired");

    // Left half-written by a process that died while creating it.
    QTest::newRow("empty, old") << QByteArray() << 60 << true;
    QTest::newRow("garbage, old") << QByteArray("not a lock\n") << 60 << true;
    // Just created: another start may be writing it at this moment.
    QTest::newRow("empty, new") << QByteArray() << 0 << false;
}

void TestStartup::unreadableLock()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, ageSeconds);
    QFETCH(bool, acquired);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"Kelvaro.lock"_s);
    QVERIFY(writeFile(path, contents));
    QVERIFY(setAge(path, ageSeconds));

    QLockFile lock(path);
    FakePrompter prompter;
    QCOMPARE(AcquireInstanceLock(lock, prompter), acquired);
    QCOMPARE(prompter.records.isEmpty(), acquired);
}

void TestStartup::noLockPossibleRunsAnyway()
{
    // The lock's directory cannot exist: a file stands in its place. Refusing to start
    // with "already running" would be untrue.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath(u"blocker"_s), "x"));
    QLockFile lock(dir.filePath(u"blocker/Kelvaro.lock"_s));
    FakePrompter prompter;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"cannot create the lock file"_s));
    QVERIFY(AcquireInstanceLock(lock, prompter));
    QVERIFY(prompter.records.isEmpty());
}

void TestStartup::lockLivesInTheRuntimeDirectory()
{
    const QString path = InstanceLockPath();
    QCOMPARE(QFileInfo(path).fileName(), u"Kelvaro.lock"_s);
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty() && QDir(runtime) != QDir::home())
        QCOMPARE(QFileInfo(path).absoluteDir(), QDir(runtime));
    else
        QCOMPARE(QFileInfo(path).absoluteDir(), QDir(QDir::tempPath()));
}

// ---- Program directory ----

void TestStartup::writableDirectory()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(IsWritableDirectory(dir.path()));
    QVERIFY(QDir(dir.path()).isEmpty()); // the probe leaves nothing behind
    QVERIFY(!IsWritableDirectory(dir.filePath(u"missing"_s)));
    QVERIFY(writeFile(dir.filePath(u"file"_s), "x"));
    QVERIFY(!IsWritableDirectory(dir.filePath(u"file"_s)));
    QVERIFY(!IsWritableDirectory(QString()));
}

void TestStartup::readOnlyDirectoryIsNotWritable()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (geteuid() == 0)
        QSKIP("the superuser writes into read-only directories");
    const QString readOnly = dir.filePath(u"readonly"_s);
    QVERIFY(QDir().mkpath(readOnly));
    QVERIFY(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner));
    QVERIFY(!IsWritableDirectory(readOnly));
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#else
    QSKIP("permissions of this kind are a Unix matter");
#endif
}

void TestStartup::programDir_data()
{
    QTest::addColumn<QString>("overrideDir");   // relative to the temporary directory
    QTest::addColumn<QString>("executableDir"); // "" = none given
    QTest::addColumn<QString>("expected");

    QTest::newRow("executable directory") << QString() << u"bin"_s << u"bin"_s;
    QTest::newRow("executable directory with separator") << QString() << u"bin/"_s << u"bin"_s;
    QTest::newRow("executable directory not writable")
        << QString() << u"file-not-dir"_s << u"data/Kelvaro"_s;
    QTest::newRow("override wins") << u"catalogue"_s << u"bin"_s << u"catalogue"_s;
    QTest::newRow("override created") << u"new/deeper"_s << u"bin"_s << u"new/deeper"_s;
}

void TestStartup::programDir()
{
    QFETCH(QString, overrideDir);
    QFETCH(QString, executableDir);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(u"bin"_s));
    QVERIFY(writeFile(dir.filePath(u"file-not-dir"_s), "x"));
    auto inDir = [&](const QString &name) {
        return name.isEmpty() ? QString() : dir.filePath(name);
    };

    const QString result = ResolveProgramDir(inDir(overrideDir), inDir(executableDir),
                                             dir.filePath(u"data/Kelvaro"_s));
    QCOMPARE(result, QDir::toNativeSeparators(dir.filePath(expected) + u'/'));
    QVERIFY(QFileInfo(result).isDir());
}

// ---- Start-up ----

void TestStartup::windowsAreCreatedInOrder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeListFile(dir.filePath(u"Kelvaro.ini"_s), gameSection(u"Abe"_s)));

    ProgramHarness harness(programDirOf(dir));
    harness.program->start();

    QCOMPARE(harness.created,
             (QStringList{u"KVAppForm"_s, u"KVMainForm"_s, u"KVAddForm"_s, u"KVAboutForm"_s,
                          u"KVSettingsForm"_s, u"KVEditForm"_s}));
    // The catalogue is read once the last window exists, not before.
    QCOMPARE(harness.catalogueAtCreation.last(), QString());
    QCOMPARE(describe(harness.program->mainForm()->rootList()), u"Abe"_s);

    // Only the main window is on screen; nothing asked to end the run.
    QVERIFY(harness.program->mainForm()->isVisible());
    for (QWidget *hidden : std::initializer_list<QWidget *>{
             harness.program->appForm(), harness.program->addForm(), harness.program->aboutForm(),
             harness.program->settingsForm(), harness.program->editForm()})
        QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
    QVERIFY(harness.prompter.records.isEmpty());
    QVERIFY(harness.exitCodes.isEmpty());
    QVERIFY(!harness.program->terminateRequested());
    QCOMPARE(harness.program->mainForm()->ProgramDir, programDirOf(dir));
}

void TestStartup::startMode_data()
{
    QTest::addColumn<int>("commandLineMode"); // -1: none
    QTest::addColumn<int>("effective");
    QTest::addColumn<bool>("minimized");

    QTest::newRow("stored mode (normal)") << -1 << 0 << false;
    QTest::newRow("/minimized") << 1 << 1 << true;
    // Until the notification area exists, its mode starts minimised as well.
    QTest::newRow("/tray") << 2 << 2 << true;
}

void TestStartup::startMode()
{
    QFETCH(int, commandLineMode);
    QFETCH(int, effective);
    QFETCH(bool, minimized);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ProgramHarness harness(programDirOf(dir), commandLineMode < 0
                                                  ? std::nullopt
                                                  : std::optional<int>(commandLineMode));
    harness.program->start();
    TKVMainForm *main = harness.program->mainForm();
    QCOMPARE(main->EffectiveStartMode, effective);
    QCOMPARE(main->StartMode, 0);
    QVERIFY(main->isVisible());
    QCOMPARE(main->isMinimized(), minimized);
}

void TestStartup::noListFileStartsEmpty()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ProgramHarness harness(programDirOf(dir));
    harness.program->start();
    TKVMainForm *main = harness.program->mainForm();
    QCOMPARE(main->rootList().Count(), 0);
    QVERIFY(main->GameCatToolbar->button(0)->isChecked());
    QVERIFY(harness.prompter.records.isEmpty());
    QVERIFY(harness.exitCodes.isEmpty());
}

void TestStartup::firstReadFailureEndsTheRunAfterStartUp()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A directory stands where the root list file should be: it cannot be read.
    QVERIFY(QDir(dir.path()).mkpath(u"Kelvaro.ini"_s));

    ProgramHarness harness(programDirOf(dir), 1);
    harness.program->start();

    QCOMPARE(harness.prompter.records.size(), 1);
    const FakePrompter::Record &record = harness.prompter.records.first();
    QCOMPARE(record.owner, u"KVMainForm"_s);
    QCOMPARE(record.caption, u"Error"_s);
    QVERIFY2(record.text.startsWith(u"Error while reading ini files"_s), qPrintable(record.text));
    // The run is told to end with a failure; the start-up still finished its steps.
    QCOMPARE(harness.exitCodes, QList<int>{1});
    QVERIFY(harness.program->terminateRequested());
    QVERIFY(harness.program->mainForm()->isVisible());
    QVERIFY(harness.program->mainForm()->isMinimized());
}

void TestStartup::terminationBeforeTheLoopEndsTheLoop()
{
    // Without test seams the request to terminate is an event that waits for the loop:
    // the loop that starts after the start-up ends at once, with a failure code.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(u"Kelvaro.ini"_s));
    FakePrompter prompter;
    StartupOptions options;
    options.programDir = programDirOf(dir);
    KelvaroProgram program(prompter, std::move(options));
    program.start();
    QVERIFY(program.terminateRequested());

    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, this, [] { QCoreApplication::exit(99); });
    watchdog.start(10000);
    QCOMPARE(QCoreApplication::exec(), 1);
}

// ---- Quit ----

void TestStartup::quitRunsQuitTasksThenEnds()
{
    QStringList steps;
    TKVAppForm app([&](int code) { steps.append(u"exit %1"_s.arg(code)); });
    app.setQuitTasks([&] { steps.append(u"QuitTasks"_s); });
    app.requestQuit();
    QCOMPARE(steps, (QStringList{u"QuitTasks"_s, u"exit 0"_s}));

    // Through the main window's command.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ProgramHarness harness(programDirOf(dir));
    harness.program->start();
    harness.program->mainForm()->MenuQuit->trigger();
    QCOMPARE(harness.exitCodes, QList<int>{0});
}

void TestStartup::appFormIsNeverShown()
{
    TKVAppForm app([](int) {});
    QCOMPARE(app.objectName(), u"KVAppForm"_s);
    QCOMPARE(app.windowTitle(), u"KVAppForm"_s);
    app.show();
    app.setVisible(true);
    QVERIFY(!app.isVisible());
}

KELVARO_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
