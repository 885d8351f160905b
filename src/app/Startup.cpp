#include "app/Startup.h"

#include "app/CommandLine.h"
#include "app/KVAppUnit.h"
#include "catalogue/CatalogueIO.h"
#include "editors/KVAddUnit.h"
#include "editors/KVEditUnit.h"
#include "mainwindow/KVMainUnit.h"
#include "platform/Prompter.h"
#include "settings/KVAboutUnit.h"
#include "settings/KVSettingsUnit.h"
#include "widgets/MenuIcons.h"
#include "widgets/WidgetPrompter.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// A lock file whose owner cannot be read was left half-written; the process that
// creates a lock writes it at once, so after this long nobody is still writing it.
constexpr qint64 UnreadableLockGraceMs = 2000;

QString withTrailingSeparator(const QString &dir)
{
    QString path = QDir::cleanPath(QDir(dir).absolutePath());
    if (!path.endsWith(u'/'))
        path += u'/';
    return QDir::toNativeSeparators(path);
}

} // namespace

QString InstanceLockPath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty() || QDir(dir) == QDir::home())
        dir = QDir::tempPath();
    return QDir(dir).filePath(u"Kelvaro.lock"_s);
}

bool AcquireInstanceLock(QLockFile &lock, Prompter &prompter)
{
    // The lock is held for the whole run, so its age says nothing: only an owner that
    // has ended makes it stale.
    lock.setStaleLockTime(0);
    if (lock.tryLock(0))
        return true;

    if (lock.error() == QLockFile::LockFailedError &&
        !lock.getLockInfo(nullptr, nullptr, nullptr)) {
        // No owner can be read from the file. Removing it cannot take the lock from a
        // live owner: the removal fails while the owner's own lock on the file is held.
        const QDateTime written = QFileInfo(lock.fileName()).lastModified();
        if (written.msecsTo(QDateTime::currentDateTime()) > UnreadableLockGraceMs &&
            lock.removeStaleLockFile() && lock.tryLock(0))
            return true;
    }

    if (lock.error() != QLockFile::LockFailedError) {
        qWarning("Kelvaro: cannot create the lock file %ls; a second Kelvaro will not be "
                 "noticed.",
                 qUtf16Printable(QDir::toNativeSeparators(lock.fileName())));
        return true;
    }

    prompter.message(nullptr, u"Instance control"_s, u"Kelvaro is already running."_s);
    return false;
}

bool IsWritableDirectory(const QString &dir)
{
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        return false;
    QTemporaryFile probe(QDir(dir).filePath(u".kelvaro-write-test-XXXXXX"_s));
    return probe.open();
}

QString ResolveProgramDir(const QString &overrideDir, const QString &executableDir,
                          const QString &userDataDir)
{
    QString dir;
    if (!overrideDir.isEmpty())
        dir = overrideDir;
    else if (IsWritableDirectory(executableDir))
        dir = executableDir;
    else
        dir = userDataDir;
    QDir().mkpath(dir);
    return withTrailingSeparator(dir);
}

QString ProgramDirectory()
{
    return ResolveProgramDir(qEnvironmentVariable("KELVARO_PROGRAM_DIR"),
                             QCoreApplication::applicationDirPath(),
                             QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

void ConnectQuit(TKVAppForm &appForm, TKVMainForm &mainForm)
{
    appForm.setQuitTasks([&mainForm] { mainForm.QuitTasks(); });
    mainForm.setQuitRequest([&appForm] { appForm.requestQuit(); });
}

// ---- KelvaroProgram ----

KelvaroProgram::KelvaroProgram(Prompter &prompter, StartupOptions options)
    : m_prompter(prompter), m_options(std::move(options))
{}

KelvaroProgram::~KelvaroProgram() = default;

void KelvaroProgram::exitApplication(int code)
{
    if (m_options.exitApplication)
        m_options.exitApplication(code);
    else
        TKVAppForm::exitLater(code);
}

void KelvaroProgram::created(QWidget &window)
{
    if (m_options.windowCreated)
        m_options.windowCreated(window);
}

void KelvaroProgram::start()
{
    m_appForm = std::make_unique<TKVAppForm>([this](int code) { exitApplication(code); });
    created(*m_appForm);

    m_mainForm = std::make_unique<TKVMainForm>(
        m_prompter, TKVMainForm::Setup{m_options.programDir, m_options.startModeOverride});
    ConnectQuit(*m_appForm, *m_mainForm);
    m_mainForm->setTerminator([this] {
        m_terminateRequested = true;
        exitApplication(1);
    });
    if (m_options.runModal)
        m_mainForm->setModalRunner(m_options.runModal);
    created(*m_mainForm);

    m_addForm = std::make_unique<TKVAddForm>(m_prompter);
    created(*m_addForm);
    m_aboutForm = std::make_unique<TKVAboutForm>(m_prompter);
    created(*m_aboutForm);
    m_settingsForm = std::make_unique<TKVSettingsForm>(m_prompter);
    created(*m_settingsForm);
    m_editForm = std::make_unique<TKVEditForm>(m_prompter);
    m_mainForm->setDialogs(m_addForm.get(), m_aboutForm.get(), m_settingsForm.get(),
                           m_editForm.get());
    created(*m_editForm);

    // The creation of the last window ends the start-up: the first read of the
    // catalogue, then the window as the start mode asks. When the read fails, the
    // window still comes up and the run ends as soon as the event loop starts.
    m_mainForm->readGameLists();
    m_mainForm->ApplyStartMode();
}

// ---- The program ----

int RunKelvaro(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine commandLine = ParseCommandLine(arguments);
    if (commandLine.help || commandLine.version) {
        const QString text = commandLine.help ? CommandLineUsage() : VersionLine();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Kelvaro"_s);
    QApplication::setApplicationVersion(QStringLiteral(KELVARO_VERSION));
    QApplication::setWindowIcon(KelvaroIcon());

    WidgetPrompter prompter;
    QLockFile instanceLock(InstanceLockPath());
    if (!AcquireInstanceLock(instanceLock, prompter))
        return 0;

    // Only the application form's quit ends the run; closing or hiding windows does not.
    QApplication::setQuitOnLastWindowClosed(false);

    StartupOptions options;
    options.programDir = ProgramDirectory();
    options.startModeOverride = commandLine.startMode;
    KelvaroProgram program(prompter, std::move(options));
    program.start();
    // A message box shown during start-up runs an event loop of its own, which may
    // have taken the request to terminate; ask again for the main loop.
    if (program.terminateRequested())
        TKVAppForm::exitLater(1);

    bool quitAfterOk = false;
    const int quitAfterMs = qEnvironmentVariableIntValue("KELVARO_QUIT_AFTER_MS", &quitAfterOk);
    if (quitAfterOk && quitAfterMs >= 0)
        QTimer::singleShot(quitAfterMs, program.appForm(), &TKVAppForm::requestQuit);

    return QApplication::exec();
}
