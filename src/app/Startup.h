#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class Prompter;
class QDialog;
class QLockFile;
class QWidget;
class TKVAboutForm;
class TKVAddForm;
class TKVAppForm;
class TKVEditForm;
class TKVMainForm;
class TKVSettingsForm;

// ---- One Kelvaro per user ----

// The lock file that marks a running Kelvaro: "Kelvaro.lock" in the user's runtime
// directory (the temporary directory where the runtime directory is just the home).
QString InstanceLockPath();

// Takes the lock for this process; it is held until the process ends. When another
// running Kelvaro holds it, shows "Kelvaro is already running." and returns false: the
// caller ends before creating any window. A lock left behind by a process that has
// ended (or whose process id now belongs to another program) is taken over. When no
// lock file can be made at all, Kelvaro runs without one rather than not at all.
bool AcquireInstanceLock(QLockFile &lock, Prompter &prompter);

// ---- The program directory ----

// True when files can be created in the directory.
bool IsWritableDirectory(const QString &dir);

// The directory of the catalogue's root list file, with a trailing separator:
// `overrideDir` when it is not empty; otherwise the executable's directory when it can
// be written; otherwise (a system-wide installation) the user's data directory. The
// chosen directory is created when it does not exist.
QString ResolveProgramDir(const QString &overrideDir, const QString &executableDir,
                          const QString &userDataDir);

// The program directory of this run. The environment variable KELVARO_PROGRAM_DIR, when
// set, names it; tests use it to run the program on a catalogue of their own.
QString ProgramDirectory();

// ---- Start-up ----

// Every quit command of the main window goes to the application form, which runs the
// main window's QuitTasks and then ends the application.
void ConnectQuit(TKVAppForm &appForm, TKVMainForm &mainForm);

struct StartupOptions
{
    QString programDir;                   // with a trailing separator
    std::optional<int> startModeOverride; // from the command line

    // Called with each window right after it is created.
    std::function<void(QWidget &)> windowCreated;
    // Opens a modal window; empty: it runs until closed.
    std::function<void(QDialog &)> runModal;
    // Ends the run with the code; empty: the event loop is left once the events
    // already waiting are handled.
    std::function<void(int)> exitApplication;
};

// The six windows of Kelvaro, created once in their fixed order and kept until the
// program ends.
class KelvaroProgram
{
public:
    KelvaroProgram(Prompter &prompter, StartupOptions options);
    ~KelvaroProgram();
    KelvaroProgram(const KelvaroProgram &) = delete;
    KelvaroProgram &operator=(const KelvaroProgram &) = delete;

    // Creates the application form, the main window, the Add Entry, About, Settings
    // and Edit Gamelists dialogs; the last creation ends with the first read of the
    // catalogue and the start mode.
    void start();

    // The catalogue could not be read: the run ends (exit code 1) as soon as the
    // event loop has handled what was waiting.
    bool terminateRequested() const { return m_terminateRequested; }

    TKVAppForm *appForm() const { return m_appForm.get(); }
    TKVMainForm *mainForm() const { return m_mainForm.get(); }
    TKVAddForm *addForm() const { return m_addForm.get(); }
    TKVAboutForm *aboutForm() const { return m_aboutForm.get(); }
    TKVSettingsForm *settingsForm() const { return m_settingsForm.get(); }
    TKVEditForm *editForm() const { return m_editForm.get(); }

private:
    void exitApplication(int code);
    void created(QWidget &window);

    Prompter &m_prompter;
    StartupOptions m_options;
    bool m_terminateRequested = false;
    // In the order of creation, so that they are destroyed in the reverse order.
    std::unique_ptr<TKVAppForm> m_appForm;
    std::unique_ptr<TKVMainForm> m_mainForm;
    std::unique_ptr<TKVAddForm> m_addForm;
    std::unique_ptr<TKVAboutForm> m_aboutForm;
    std::unique_ptr<TKVSettingsForm> m_settingsForm;
    std::unique_ptr<TKVEditForm> m_editForm;
};

// The program: command line, single-instance check, the windows, the event loop.
// Returns the process's exit code.
//
// For tests, the environment variable KELVARO_QUIT_AFTER_MS asks for a quit (as
// "&Quit Kelvaro" does) that many milliseconds after the event loop has started.
int RunKelvaro(int argc, char *argv[]);
