#include "mainwindow/VersionInfo.h"
#include "support/TestMain.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestVersionInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void split_data();
    void split();
    void compiledVersion();
};

void TestVersionInfo::split_data()
{
    QTest::addColumn<QString>("fileVersion");
    QTest::addColumn<QString>("versionText");
    QTest::addColumn<QString>("buildText");

    QTest::newRow("four parts") << u"4.3.6.35"_s << u"4.3.6"_s << u"35"_s;
    QTest::newRow("no dot") << u"12"_s << QString() << u"12"_s;
    QTest::newRow("empty") << QString() << QString() << QString();
    QTest::newRow("two parts") << u"1.2"_s << u"1"_s << u"2"_s;
    QTest::newRow("leading dot") << u".7"_s << QString() << u"7"_s;
    QTest::newRow("trailing dot") << u"4.3."_s << u"4.3"_s << QString();
    QTest::newRow("only a dot") << u"."_s << QString() << QString();
}

void TestVersionInfo::split()
{
    QFETCH(QString, fileVersion);
    QFETCH(QString, versionText);
    QFETCH(QString, buildText);
    const VersionInfo info = SplitFileVersion(fileVersion);
    QCOMPARE(info.VersionText, versionText);
    QCOMPARE(info.BuildText, buildText);
}

void TestVersionInfo::compiledVersion()
{
    // The version is set once in the build; the program shows "4.3.6" and build "35".
    const VersionInfo info = ReadVersionInfo();
    QCOMPARE(info.VersionText, u"4.3.6"_s);
    QCOMPARE(info.BuildText, u"35"_s);
}

KELVARO_TEST_MAIN(TestVersionInfo)
#include "tst_versioninfo.moc"
