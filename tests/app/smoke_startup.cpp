#include "support/CatalogueFixtures.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace CatalogueFixtures;

// Starts the real kelvaro executable on the offscreen platform, with a program
// directory, a runtime directory and a home of its own.
class SmokeStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void comesUpAndQuitsCleanly();
    void versionAndHelp_data();
    void versionAndHelp();

private:
    QProcessEnvironment environment() const;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void SmokeStartup::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkpath(u"program"_s));
    QVERIFY(QDir(m_dir->path()).mkpath(u"runtime"_s));
    QVERIFY(QDir(m_dir->path()).mkpath(u"home"_s));
    QFile::setPermissions(m_dir->filePath(u"runtime"_s),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QProcessEnvironment SmokeStartup::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"KELVARO_PROGRAM_DIR"_s, m_dir->filePath(u"program"_s));
    env.insert(u"XDG_RUNTIME_DIR"_s, m_dir->filePath(u"runtime"_s));
    env.insert(u"HOME"_s, m_dir->filePath(u"home"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, m_dir->filePath(u"home/.config"_s));
    env.insert(u"XDG_DATA_HOME"_s, m_dir->filePath(u"home/.local/share"_s));
    return env;
}

void SmokeStartup::comesUpAndQuitsCleanly()
{
    QVERIFY(writeListFile(m_dir->filePath(u"program/Kelvaro.ini"_s),
                          gameSection(u"Abe"_s, u"abe.exe"_s) +
                              categorySection(u"Shooters"_s, u"Shooters.ini"_s)));
    QProcessEnvironment env = environment();
    // Quit through the program's own quit command a while after the loop started.
    env.insert(u"KELVARO_QUIT_AFTER_MS"_s, u"3000"_s);

    QProcess kelvaro;
    kelvaro.setProcessEnvironment(env);
    kelvaro.start(QStringLiteral(KELVARO_EXECUTABLE), {u"/minimized"_s});
    QVERIFY(kelvaro.waitForStarted());

    // It comes up: the instance lock appears and the process stays alive.
    const QString lock = m_dir->filePath(u"runtime/Kelvaro.lock"_s);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lock), 30000);
    QVERIFY2(kelvaro.state() == QProcess::Running, kelvaro.readAllStandardError().constData());
    QCOMPARE(readFile(lock).split('\n').value(0).toLongLong(), kelvaro.processId());

    QVERIFY(kelvaro.waitForFinished(60000));
    const QByteArray errors = kelvaro.readAllStandardError();
    QCOMPARE(kelvaro.exitStatus(), QProcess::NormalExit);
    QVERIFY2(kelvaro.exitCode() == 0, errors.constData());
    QVERIFY2(!errors.contains("Sanitizer") && !errors.contains("runtime error"),
             errors.constData());
    // A clean end gives the lock back, and the catalogue was only read.
    QVERIFY(!QFileInfo::exists(lock));
    QCOMPARE(QDir(m_dir->filePath(u"program"_s)).entryList(QDir::Files),
             QStringList{u"Kelvaro.ini"_s});
}

void SmokeStartup::versionAndHelp_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("output");
    QTest::newRow("--version") << u"--version"_s << u"Kelvaro 4.3.6.35\n"_s;
    QTest::newRow("--help") << u"--help"_s << u"Usage: kelvaro"_s;
}

void SmokeStartup::versionAndHelp()
{
    QFETCH(QString, argument);
    QFETCH(QString, output);
    QProcess kelvaro;
    kelvaro.setProcessEnvironment(environment());
    kelvaro.start(QStringLiteral(KELVARO_EXECUTABLE), {argument});
    QVERIFY(kelvaro.waitForFinished(60000));
    QCOMPARE(kelvaro.exitCode(), 0);
    QVERIFY2(QString::fromLocal8Bit(kelvaro.readAllStandardOutput()).startsWith(output),
             qPrintable(argument));
    // Only a question was answered: no instance ran.
    QVERIFY(!QFileInfo::exists(m_dir->filePath(u"runtime/Kelvaro.lock"_s)));
}

KELVARO_TEST_MAIN(SmokeStartup)
#include "smoke_startup.moc"
