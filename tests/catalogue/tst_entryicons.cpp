#include "catalogue/EntryIcon.h"
#include "catalogue/EntryIcons.h"
#include "catalogue/StockIcons.h"
#include "platform/IconExtractor.h"
#include "support/FakePrompter.h"
#include "support/IconFixtures.h"
#include "support/TestMain.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <stdexcept>

using namespace IconFixtures;

namespace {

Image image(int side, QColor color)
{
    Image i;
    i.width = i.height = side;
    i.color = color;
    return i;
}

bool fullyTransparent(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() != 0)
                return false;
    return !image.isNull();
}

QColor centre(const QImage &image)
{
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3 &&
           std::abs(a.blue() - b.blue()) <= 3 && a.alpha() == b.alpha();
}

const QColor Red(255, 0, 0);

QImage image32Of(const QColor &color)
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}
const QColor Blue(0, 0, 255);

// A source whose every answer fails as a broken platform service would.
class FailingSource : public IconSource
{
public:
    int calls = 0;
    int iconCount(const QString &) override
    {
        ++calls;
        throw std::runtime_error("broken");
    }
    ExtractedIcon extractIcon(const QString &, int) override
    {
        ++calls;
        throw std::runtime_error("broken");
    }
};

// A prompter that runs something while its message is shown, as a message box runs
// the events that are waiting.
class BusyPrompter : public FakePrompter
{
public:
    std::function<void()> whileShown;
    void message(QObject *owner, const QString &caption, const QString &text, Icon icon) override
    {
        FakePrompter::message(owner, caption, text, icon);
        if (whileShown)
            whileShown();
    }
};

} // namespace

class TestEntryIcons : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    FakePrompter m_prompter;
    QObject m_mainForm;
    IconExtractor m_extractor;

    IconContext context(IconSource *source = nullptr)
    {
        return IconContext{m_dir.path(), &m_prompter, &m_mainForm, source ? source : &m_extractor};
    }
    QString write(const QString &name, const QByteArray &data)
    {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!writeFile(path, data))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_mainForm.setObjectName(QStringLiteral("KVMainForm"));
        // Icon 0 red, icon 1 (identifier 3) blue, with different small images.
        write(QStringLiteral("game.exe"),
              peFile({{QString(), 1, {image(32, Red), image(16, Red)}},
                      {QString(), 3, {image(32, Blue), image(16, QColor(0, 0, 128))}}}));
        write(QStringLiteral("noicons.exe"), peFile({}));
        write(QStringLiteral("notes.txt"), "nothing to see");
        write(QStringLiteral("sub/rel.ico"), icoFile({image(32, Blue)}));
        write(QStringLiteral("a,b/x.ico"), icoFile({image(32, Red)}));
    }
    void init() { m_prompter.records.clear(); }

    void locations_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("expected"); // "transparent", "folder" or a colour

        QTest::newRow("empty") << QString() << "transparent";
        QTest::newRow("blanks") << "   "
                                << "transparent";
        QTest::newRow("tab and blank") << "\t "
                                       << "transparent";
        QTest::newRow("default category icon") << "DEFAULTCATICON"
                                               << "folder";
        QTest::newRow("special value in lower case") << "defaultcaticon"
                                                     << "transparent";
        QTest::newRow("special value after a blank") << " DEFAULTCATICON"
                                                     << "transparent";
        QTest::newRow("special value before a blank") << "DEFAULTCATICON "
                                                      << "transparent";
        QTest::newRow("missing file") << "missing.exe"
                                      << "transparent";
        QTest::newRow("missing file with index") << "missing.exe,3"
                                                 << "transparent";
        QTest::newRow("program without icons") << "noicons.exe,0"
                                               << "transparent";
        QTest::newRow("text file") << "notes.txt"
                                   << "transparent";
        QTest::newRow("program without comma") << "game.exe"
                                               << "#ff0000";
        QTest::newRow("program, icon 1") << "game.exe,1"
                                         << "#0000ff";
        QTest::newRow("negative index is an identifier") << "game.exe,-3"
                                                         << "#0000ff";
        QTest::newRow("index past the last icon") << "game.exe,2"
                                                  << "transparent";
        QTest::newRow("identifier not there") << "game.exe,-2"
                                              << "transparent";
        QTest::newRow("relative to the list's directory") << "sub/rel.ico"
                                                          << "#0000ff";
        QTest::newRow("absolute") << m_dir.filePath(QStringLiteral("game.exe,1")) << "#0000ff";
        QTest::newRow("comma in a directory name") << "a,b/x.ico"
                                                   << "#ff0000";
        QTest::newRow("comma in a directory name, with index") << "a,b/x.ico,0"
                                                               << "#ff0000";
    }
    void locations()
    {
        QFETCH(QString, location);
        QFETCH(QString, expected);

        TIcon small;
        TIcon large;
        LoadEntryIcons(location, small, large, context());
        QVERIFY(!small.isEmpty());
        QVERIFY(!large.isEmpty());
        const QImage image16 = small.image();
        const QImage image32 = large.image();
        QCOMPARE(image16.size(), QSize(16, 16));
        QCOMPARE(image32.size(), QSize(32, 32));
        if (expected == u"transparent") {
            QVERIFY(fullyTransparent(image16));
            QVERIFY(fullyTransparent(image32));
        } else if (expected == u"folder") {
            QCOMPARE(image16, DefaultCategoryIcon(16));
            QCOMPARE(image32, DefaultCategoryIcon(32));
            QVERIFY(!fullyTransparent(image16));
        } else {
            QVERIFY2(near(centre(image32), QColor(expected)), qPrintable(centre(image32).name()));
        }
        QVERIFY(m_prompter.records.isEmpty());
    }

    void smallAndLargeImagesDiffer()
    {
        TIcon small;
        TIcon large;
        LoadEntryIcons(QStringLiteral("game.exe,1"), small, large, context());
        QVERIFY(near(centre(small.image()), QColor(0, 0, 128)));
        QVERIFY(near(centre(large.image()), Blue));
    }

    void oneObjectAsBoth_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("expected");
        QTest::newRow("program") << "game.exe,1"
                                 << "#000080";
        QTest::newRow("default category icon") << "DEFAULTCATICON"
                                               << "folder";
        QTest::newRow("blank") << " "
                               << "transparent";
        QTest::newRow("missing") << "missing.ico"
                                 << "transparent";
    }
    void oneObjectAsBoth()
    {
        QFETCH(QString, location);
        QFETCH(QString, expected);
        TIcon icon;
        LoadEntryIcons(location, icon, icon, context());
        const QImage image = icon.image();
        QCOMPARE(image.size(), QSize(16, 16));
        if (expected == u"folder")
            QCOMPARE(image, DefaultCategoryIcon(16));
        else if (expected == u"transparent")
            QVERIFY(fullyTransparent(image));
        else
            QVERIFY(near(centre(image), QColor(expected)));
    }

    // The file is read when the picture is first needed, not when the entry is loaded.
    void readWhenFirstDrawn()
    {
        TIcon small;
        TIcon large;
        LoadEntryIcons(QStringLiteral("late.ico"), small, large, context());
        QVERIFY(small.isWaiting());
        QVERIFY(!small.isEmpty());
        TIcon copy;
        copy.assign(large); // as when a list is copied
        write(QStringLiteral("late.ico"), icoFile({image(32, Red), image(16, Blue)}));
        QVERIFY(near(centre(copy.image()), Red));
        QVERIFY(near(centre(small.image()), Blue));
        QVERIFY(near(centre(large.image()), Red));
        QVERIFY(!large.isWaiting());

        // Loading again replaces what either object held or waited for.
        TIcon other;
        LoadEntryIcons(QStringLiteral("game.exe"), other, other, context());
        LoadEntryIcons(QString(), other, other, context());
        QVERIFY(!other.isWaiting());
        QVERIFY(fullyTransparent(other.image()));
    }

    // The error turns up while an icon is drawn; the message box opens only once the
    // event loop is back, never inside the drawing.
    void unexpectedErrorIsShownOnceAfterTheDrawing()
    {
        FailingSource failing;
        TIcon small;
        TIcon large;
        LoadEntryIcons(QStringLiteral("broken.exe,4"), small, large, context(&failing));
        QVERIFY(fullyTransparent(large.image()));
        QVERIFY(fullyTransparent(small.image()));
        QCOMPARE(failing.calls, 1);
        QCOMPARE(m_prompter.records.size(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(m_prompter.records.size(), 1);
        const FakePrompter::Record record = m_prompter.records.first();
        QCOMPARE(record.kind, FakePrompter::Kind::Message);
        QCOMPARE(record.owner, QStringLiteral("KVMainForm"));
        QCOMPARE(record.caption, QStringLiteral("Error"));
        QCOMPARE(record.text, QStringLiteral("Could not load Icon broken.exe"));
        QCOMPARE(m_prompter.icons.last(), Prompter::Icon::None);

        // Without anyone to tell, the picture still falls back.
        IconContext silent = context(&failing);
        silent.prompter = nullptr;
        TIcon icon;
        LoadEntryIcons(QStringLiteral("broken.exe"), icon, icon, silent);
        QVERIFY(fullyTransparent(icon.image()));
        QCoreApplication::processEvents();
        QCOMPARE(m_prompter.records.size(), 1);

        // An owner that is gone when the message would open takes the message with it.
        auto owner = std::make_unique<QObject>();
        IconContext ownerLeaves = context(&failing);
        ownerLeaves.owner = owner.get();
        TIcon orphan;
        LoadEntryIcons(QStringLiteral("broken.exe"), orphan, orphan, ownerLeaves);
        QVERIFY(fullyTransparent(orphan.image()));
        owner.reset();
        QCoreApplication::processEvents();
        QCOMPARE(m_prompter.records.size(), 1);
    }

    // The error box of a failed extraction runs events; a re-read then refills the
    // icon objects that were drawn, and the next drawing shows the new icon.
    void iconsRefilledWhileAnErrorIsShown()
    {
        FailingSource failing;
        BusyPrompter prompter;
        IconContext broken = context(&failing);
        broken.prompter = &prompter;
        TIcon small;
        TIcon large;
        LoadEntryIcons(QStringLiteral("broken.exe"), small, large, broken);
        prompter.whileShown = [&] {
            LoadEntryIcons(QStringLiteral("DEFAULTCATICON"), small, large, context());
        };
        QVERIFY(fullyTransparent(large.image()));
        QCoreApplication::processEvents();
        QCOMPARE(prompter.records.size(), 1);
        QCOMPARE(large.image(), DefaultCategoryIcon(32));
        QCOMPARE(small.image(), DefaultCategoryIcon(16));
        QCOMPARE(failing.calls, 1);
    }

    // Icon objects share what they show; changing one never changes another.
    void iconObjectsAreIndependent()
    {
        TIcon small;
        TIcon large;
        LoadEntryIcons(QStringLiteral("game.exe,1"), small, large, context());
        TIcon copy(large);
        TIcon other;
        other = small;
        const TIcon &same = other;
        other = same; // assigned to itself: unchanged
        large.setImage(image32Of(Red));
        small.clear();
        QVERIFY(small.isEmpty());
        QVERIFY(small.image().isNull());
        QVERIFY(near(centre(large.image()), Red));
        QVERIFY(near(centre(copy.image()), Blue)); // still the request it was copied with
        QVERIFY(near(centre(other.image()), QColor(0, 0, 128)));
        QVERIFY(!other.isWaiting());

        copy.setImage(QImage()); // a null image empties the object
        QVERIFY(copy.isEmpty());
        {
            TIcon scoped;
            scoped.assign(large);
            QCOMPARE(scoped.image(), large.image());
        }
        QVERIFY(near(centre(large.image()), Red));
    }

    // Icons loaded with one context share what it says until it changes; a relative file
    // resolves against the directory of the moment it was loaded, not of its drawing.
    void oneContextForSeveralLoads()
    {
        write(QStringLiteral("other/sub/rel.ico"), icoFile({image(32, Red)}));
        const QString other = m_dir.filePath(QStringLiteral("other"));
        FailingSource failing;
        IconContext shared = context();
        TIcon a, b, c, d, e, f, unused;

        LoadEntryIcons(QStringLiteral("sub/rel.ico"), unused, a, shared);
        shared.currentDir = other;
        LoadEntryIcons(QStringLiteral("sub/rel.ico"), unused, b, shared);

        shared.source = &failing;
        LoadEntryIcons(QStringLiteral("broken.exe"), unused, e, shared);
        shared.prompter = nullptr;
        LoadEntryIcons(QStringLiteral("broken.exe"), unused, f, shared);

        const QString previous = QDir::currentPath();
        shared = context();
        shared.currentDir.clear();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        LoadEntryIcons(QStringLiteral("sub/rel.ico"), unused, c, shared);
        QVERIFY(QDir::setCurrent(other));
        LoadEntryIcons(QStringLiteral("sub/rel.ico"), unused, d, shared);
        QVERIFY(QDir::setCurrent(previous));

        QVERIFY(near(centre(a.image()), Blue));
        QVERIFY(near(centre(b.image()), Red));
        QVERIFY(near(centre(c.image()), Blue));
        QVERIFY(near(centre(d.image()), Red));
        QVERIFY(fullyTransparent(e.image()));
        QVERIFY(fullyTransparent(f.image()));
        QCOMPARE(failing.calls, 2);
        QCoreApplication::processEvents();      // the messages of failures found while drawing
        QCOMPARE(m_prompter.records.size(), 1); // the second load had nobody to tell
    }

    // Icons are not refreshed by themselves; the next load (a re-read) sees the change.
    void changedFileShowsAfterReload()
    {
        const QDateTime t0 = QDateTime::currentDateTimeUtc().addSecs(-600);
        const QString path = write(QStringLiteral("changing.ico"), icoFile({image(32, Red)}));
        QVERIFY(setModified(path, t0));
        TIcon small;
        TIcon large;
        LoadEntryIcons(QStringLiteral("changing.ico"), small, large, context());
        QVERIFY(near(centre(large.image()), Red));

        write(QStringLiteral("changing.ico"), icoFile({image(32, Blue)}));
        QVERIFY(setModified(path, t0.addSecs(5)));
        QVERIFY(near(centre(large.image()), Red));
        LoadEntryIcons(QStringLiteral("changing.ico"), small, large, context());
        QVERIFY(near(centre(large.image()), Blue));
    }

    void stockPictures()
    {
        for (int size : {16, 32}) {
            QCOMPARE(TransparentIcon(size).size(), QSize(size, size));
            QVERIFY(fullyTransparent(TransparentIcon(size)));
            const QImage folder = DefaultCategoryIcon(size);
            QCOMPARE(folder.size(), QSize(size, size));
            QVERIFY(folder.hasAlphaChannel());
            // Drawn: opaque in the middle, clear in a corner.
            QCOMPARE(centre(folder).alpha(), 255);
            QCOMPARE(folder.pixelColor(0, 0).alpha(), 0);
        }
    }
};

KELVARO_TEST_MAIN(TestEntryIcons)
#include "tst_entryicons.moc"
