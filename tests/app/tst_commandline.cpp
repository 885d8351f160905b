#include "app/CommandLine.h"
#include "support/TestMain.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startMode_data();
    void startMode();
    void informationRequests_data();
    void informationRequests();
    void usageNamesEverySwitch();
};

void TestCommandLine::startMode_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("expected"); // -1: no switch, the stored start mode applies

    QTest::newRow("none") << QStringList{} << -1;
    QTest::newRow("/minimized") << QStringList{u"/minimized"_s} << 1;
    QTest::newRow("/tray") << QStringList{u"/tray"_s} << 2;
    QTest::newRow("/noa") << QStringList{u"/noa"_s} << 2;
    QTest::newRow("upper case") << QStringList{u"/TRAY"_s} << 2;
    QTest::newRow("mixed case") << QStringList{u"/MiNiMiZeD"_s} << 1;
    QTest::newRow("last wins: tray, minimized") << QStringList{u"/tray"_s, u"/minimized"_s} << 1;
    QTest::newRow("last wins: minimized, noa") << QStringList{u"/minimized"_s, u"/noa"_s} << 2;
    QTest::newRow("others between") << QStringList{u"/tray"_s, u"foo"_s, u"--bar"_s} << 2;
    QTest::newRow("other after a switch does not reset")
        << QStringList{u"/minimized"_s, u"/nothing"_s} << 1;
    QTest::newRow("dash") << QStringList{u"-tray"_s} << -1;
    QTest::newRow("with value") << QStringList{u"/tray=1"_s} << -1;
    QTest::newRow("prefix only") << QStringList{u"/tra"_s} << -1;
    QTest::newRow("longer") << QStringList{u"/trays"_s} << -1;
    QTest::newRow("blank around") << QStringList{u" /tray"_s, u"/tray "_s} << -1;
    QTest::newRow("empty argument") << QStringList{QString()} << -1;
    QTest::newRow("no slash") << QStringList{u"tray"_s} << -1;
    QTest::newRow("backslash") << QStringList{u"\\tray"_s} << -1;
    // Only A to Z are lowered: look-alikes of other scripts are no switch letters.
    QTest::newRow("dotted capital I") << QStringList{u"/M\u0130NIMIZED"_s} << -1;
    QTest::newRow("full-width letters") << QStringList{u"/\uFF34RAY"_s} << -1;
}

void TestCommandLine::startMode()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, expected);
    const CommandLine commandLine = ParseCommandLine(arguments);
    QCOMPARE(commandLine.startMode.value_or(-1), expected);
    QVERIFY(!commandLine.help);
    QVERIFY(!commandLine.version);
}

void TestCommandLine::informationRequests_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("help");
    QTest::addColumn<bool>("version");

    QTest::newRow("--help") << QStringList{u"--help"_s} << true << false;
    QTest::newRow("-h") << QStringList{u"-h"_s} << true << false;
    QTest::newRow("--version") << QStringList{u"--version"_s} << false << true;
    QTest::newRow("after a switch") << QStringList{u"/tray"_s, u"--version"_s} << false << true;
    QTest::newRow("upper case is no request") << QStringList{u"--HELP"_s} << false << false;
    QTest::newRow("slash form is no request") << QStringList{u"/?"_s} << false << false;
}

void TestCommandLine::informationRequests()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, help);
    QFETCH(bool, version);
    const CommandLine commandLine = ParseCommandLine(arguments);
    QCOMPARE(commandLine.help, help);
    QCOMPARE(commandLine.version, version);
}

void TestCommandLine::usageNamesEverySwitch()
{
    const QString usage = CommandLineUsage();
    for (const QString &word :
         {u"/minimized"_s, u"/tray"_s, u"/noa"_s, u"--help"_s, u"--version"_s})
        QVERIFY2(usage.contains(word), qPrintable(word));
    QCOMPARE(VersionLine(), u"Kelvaro "_s + QStringLiteral(KELVARO_VERSION) + u'\n');
}

KELVARO_TEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
