#include "platform/IcoFormat.h"
#include "platform/IconExtractor.h"
#include "platform/PeIconResources.h"
#include "support/IconFixtures.h"
#include "support/TestMain.h"

#include <QBuffer>
#include <QDir>
#include <QIcon>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace IconFixtures;

Q_DECLARE_METATYPE(IconFixtures::Image)
Q_DECLARE_METATYPE(IconFixtures::PeKind)

namespace {

Image image(int side, int bitCount, QColor color, bool png = false)
{
    Image i;
    i.width = i.height = side;
    i.bitCount = bitCount;
    i.color = color;
    i.png = png;
    return i;
}

QColor centre(const QImage &image)
{
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

bool near(const QColor &a, const QColor &b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance &&
           std::abs(a.alpha() - b.alpha()) <= tolerance;
}

// Pixel by pixel, colours of fully transparent pixels aside.
bool samePicture(const QImage &actual, const QImage &expected)
{
    if (actual.size() != expected.size())
        return false;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QColor a = actual.pixelColor(x, y);
            const QColor e = expected.pixelColor(x, y);
            if (e.alpha() == 0 ? a.alpha() != 0 : !near(a, e))
                return false;
        }
    }
    return true;
}

const QColor Red(255, 0, 0);
const QColor Green(0, 255, 0);
const QColor Blue(0, 0, 255);
const QColor Yellow(255, 255, 0);

} // namespace

class TestIconExtractor : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &data)
    {
        const QString path = m_dir.filePath(name);
        if (!writeFile(path, data))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void bitmapDecoding_data()
    {
        QTest::addColumn<Image>("stored");
        auto row = [](const char *name, int side, int bits, bool alpha = false, bool png = false) {
            Image i = image(side, bits, QColor(40, 200, 90), png);
            i.alpha = alpha;
            QTest::newRow(name) << i;
        };
        row("1 bit", 32, 1);
        row("1 bit, odd width", 19, 1);
        row("4 bit", 32, 4);
        row("4 bit, odd width", 7, 4);
        row("8 bit", 16, 8);
        row("16 bit", 24, 16);
        row("24 bit", 32, 24);
        row("24 bit, odd width", 5, 24);
        row("32 bit, mask only", 32, 32);
        row("32 bit with alpha", 48, 32, true);
        row("png", 32, 32, false, true);
        row("png 256", 256, 32, false, true);
    }
    void bitmapDecoding()
    {
        QFETCH(Image, stored);
        const QImage decoded = IconFormat::decodeImage(imageData(stored));
        QVERIFY(!decoded.isNull());
        QVERIFY(samePicture(decoded, pictureOf(stored)));
    }

    void iconFileImageChoice_data()
    {
        QTest::addColumn<QList<Image>>("images");
        QTest::addColumn<QColor>("expected32");
        QTest::addColumn<QColor>("expected16");

        QTest::newRow("exact sizes")
            << QList<Image>{image(48, 32, Red), image(32, 32, Green), image(16, 32, Blue)} << Green
            << Blue;
        QTest::newRow("deepest colour of one size")
            << QList<Image>{image(32, 8, Red), image(32, 32, Green), image(32, 4, Blue)} << Green
            << Green;
        QTest::newRow("24 bits before 8")
            << QList<Image>{image(32, 8, Red), image(32, 24, Green)} << Green << Green;
        QTest::newRow("first of equals")
            << QList<Image>{image(32, 32, Red), image(32, 32, Green)} << Red << Red;
        QTest::newRow("nearest sizes, scaled")
            << QList<Image>{image(40, 32, Red), image(12, 32, Blue)} << Red << Blue;
        QTest::newRow("stored size 0 is 256")
            << QList<Image>{image(256, 32, Red, true), image(64, 32, Green)} << Green << Green;
        QTest::newRow("only 256, scaled down")
            << QList<Image>{image(256, 32, Yellow, true)} << Yellow << Yellow;
        QTest::newRow("png and bitmap")
            << QList<Image>{image(32, 32, Red, true), image(16, 8, Blue)} << Red << Blue;

        Image low = image(32, 8, Red);
        low.directoryBitCount = 0;
        Image deep = image(32, 32, Green);
        deep.directoryBitCount = 0;
        QTest::newRow("depth read from the image when the directory leaves it out")
            << QList<Image>{low, deep} << Green << Green;
    }
    void iconFileImageChoice()
    {
        QFETCH(QList<Image>, images);
        QFETCH(QColor, expected32);
        QFETCH(QColor, expected16);

        const QString path = write(QStringLiteral("choice.ico"), icoFile(images));
        QCOMPARE(IconExtractor::countIconsUncached(path), 1);
        const ExtractedIcon icon = IconExtractor::extractIconUncached(path, 0);
        QCOMPARE(icon.image32.size(), QSize(32, 32));
        QCOMPARE(icon.image16.size(), QSize(16, 16));
        QVERIFY(icon.image32.hasAlphaChannel());
        QVERIFY2(near(centre(icon.image32), expected32), qPrintable(centre(icon.image32).name()));
        QVERIFY2(near(centre(icon.image16), expected16), qPrintable(centre(icon.image16).name()));
        // An icon file holds one icon.
        QVERIFY(IconExtractor::extractIconUncached(path, 1).isNull());
        QVERIFY(IconExtractor::extractIconUncached(path, -1).isNull());
    }

    void exactImageKeepsItsPixels()
    {
        Image stored = image(32, 32, QColor(10, 120, 250));
        stored.alpha = true;
        const QString path =
            write(QStringLiteral("exact.ico"), icoFile({stored, image(16, 4, Red)}));
        const ExtractedIcon icon = IconExtractor::extractIconUncached(path, 0);
        QVERIFY(samePicture(icon.image32, pictureOf(stored)));
        QCOMPARE(icon.image32.pixelColor(0, 0).alpha(), 0);
        QVERIFY(std::abs(icon.image32.pixelColor(1, 0).alpha() - 128) <= 1);
    }

    void programIcons_data()
    {
        QTest::addColumn<PeKind>("kind");
        QTest::newRow("PE32") << PeKind::Pe32;
        QTest::newRow("PE32+") << PeKind::Pe32Plus;
    }
    void programIcons()
    {
        QFETCH(PeKind, kind);
        // Written out of order: named groups come first by upper-case name, then
        // numbered ones by identifier.
        const QColor c7 = distinctColor(7), cB = distinctColor(11), c2 = distinctColor(2),
                     cA = distinctColor(5), c300 = distinctColor(30);
        const QList<Group> groups{
            {QString(), 7, {image(32, 32, c7)}},
            {QStringLiteral("B"), 0, {image(32, 8, cB)}},
            {QString(), 300, {image(32, 4, c300)}},
            {QString(), 2, {image(16, 24, c2)}},
            {QStringLiteral("a"), 0, {image(32, 32, cA)}},
        };
        const QString path = write(QStringLiteral("program.exe"), peFile(groups, kind));
        QCOMPARE(IconExtractor::countIconsUncached(path), 5);

        const QList<std::pair<int, QColor>> expected{{0, cA},   {1, cB},  {2, c2},  {3, c7},
                                                     {4, c300}, {-7, c7}, {-2, c2}, {-300, c300}};
        for (const auto &[index, color] : expected) {
            const ExtractedIcon icon = IconExtractor::extractIconUncached(path, index);
            QVERIFY2(near(centre(icon.image32), color), qPrintable(QString::number(index)));
            QVERIFY2(near(centre(icon.image16), color), qPrintable(QString::number(index)));
        }
        // A large program (data appended after its sections) is mapped, not copied.
        const QString large =
            write(QStringLiteral("large.exe"), peFile(groups, kind) + QByteArray(1 << 20, 'x'));
        QCOMPARE(IconExtractor::countIconsUncached(large), 5);
        QVERIFY(near(centre(IconExtractor::extractIconUncached(large, -7).image32), c7));

        for (int missing : {5, 100, -1, -3, -65536, std::numeric_limits<int>::min()})
            QVERIFY2(IconExtractor::extractIconUncached(path, missing).isNull(),
                     qPrintable(QString::number(missing)));
    }

    void programImageChoice()
    {
        Image withAlpha = image(32, 32, Green);
        withAlpha.alpha = true;
        const QList<Group> groups{
            {QString(),
             1,
             {image(48, 32, Yellow, true), image(16, 4, Red), image(32, 8, Blue), withAlpha,
              image(16, 32, QColor(9, 9, 9))}}};
        const QString path = write(QStringLiteral("choice.dll"), peFile(groups));
        const ExtractedIcon icon = IconExtractor::extractIconUncached(path, 0);
        QVERIFY(samePicture(icon.image32, pictureOf(withAlpha)));
        QVERIFY(near(centre(icon.image16), QColor(9, 9, 9)));
    }

    void filesWithoutIcons_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("program without resources") << peFile({});
        QTest::newRow("DOS program") << QByteArray("MZ\x90\0\3\0\0\0", 8) + QByteArray(200, '\0');
        QTest::newRow("text") << QByteArray("just some text\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("icon header without images") << QByteArray("\0\0\1\0\0\0", 6);
    }
    void filesWithoutIcons()
    {
        QFETCH(QByteArray, data);
        const QString path = write(QStringLiteral("none.exe"), data);
        QCOMPARE(IconExtractor::countIconsUncached(path), 0);
        QVERIFY(IconExtractor::extractIconUncached(path, 0).isNull());
    }

    void notFiles()
    {
        IconExtractor extractor;
        for (const QString &path : {m_dir.filePath(QStringLiteral("missing.ico")), m_dir.path(),
                                    QString(), QStringLiteral("/dev/null")}) {
            QCOMPARE(extractor.iconCount(path), 0);
            QVERIFY(extractor.extractIcon(path, 0).isNull());
        }
    }

    void imageFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QColor>("color");

        auto encode = [](const QImage &picture, const char *format) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            picture.save(&buffer, format);
            return bytes;
        };
        QImage square(64, 64, QImage::Format_ARGB32);
        square.fill(Blue);
        QTest::newRow("png, scaled") << QStringLiteral("a.png") << encode(square, "PNG") << Blue;
        QImage small(32, 32, QImage::Format_RGB32);
        small.fill(Green);
        QTest::newRow("bmp") << QStringLiteral("a.bmp") << encode(small, "BMP") << Green;
        QTest::newRow("xpm") << QStringLiteral("a.xpm") << encode(small, "XPM") << Green;
        QTest::newRow("png without its extension")
            << QStringLiteral("picture") << encode(square, "PNG") << Blue;
        QTest::newRow("svg") << QStringLiteral("a.svg")
                             << QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='10' "
                                           "height='10'><rect width='10' height='10' "
                                           "fill='#ff0000'/></svg>")
                             << Red;
    }
    void imageFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, data);
        QFETCH(QColor, color);
        const QString path = write(name, data);
        QCOMPARE(IconExtractor::countIconsUncached(path), 1);
        const ExtractedIcon icon = IconExtractor::extractIconUncached(path, 0);
        QCOMPARE(icon.image32.size(), QSize(32, 32));
        QCOMPARE(icon.image16.size(), QSize(16, 16));
        QVERIFY(near(icon.image32.pixelColor(0, 0), color));
        QVERIFY(near(icon.image16.pixelColor(15, 15), color));
        QVERIFY(IconExtractor::extractIconUncached(path, 1).isNull());
    }

    void wideImageKeepsItsShape()
    {
        QImage wide(64, 32, QImage::Format_ARGB32);
        wide.fill(Red);
        const QString path = m_dir.filePath(QStringLiteral("wide.png"));
        QVERIFY(wide.save(path));
        const ExtractedIcon icon = IconExtractor::extractIconUncached(path, 0);
        QCOMPARE(icon.image32.size(), QSize(32, 32));
        QCOMPARE(icon.image32.pixelColor(16, 2).alpha(), 0);
        QVERIFY(near(icon.image32.pixelColor(16, 16), Red));
        QCOMPARE(icon.image32.pixelColor(16, 29).alpha(), 0);
    }

    void desktopEntries()
    {
        if (QSysInfo::kernelType() != u"linux")
            QSKIP("desktop entries are read on Linux");
        QImage red(32, 32, QImage::Format_ARGB32);
        red.fill(Red);
        QVERIFY(red.save(m_dir.filePath(QStringLiteral("with space.png"))));

        // A theme of one icon.
        const QString themeDir = m_dir.filePath(QStringLiteral("icons/kelvarotest"));
        QVERIFY(QDir().mkpath(themeDir + QStringLiteral("/32x32/apps")));
        write(QStringLiteral("icons/kelvarotest/index.theme"),
              "[Icon Theme]\nName=kelvarotest\nDirectories=32x32/apps\n\n"
              "[32x32/apps]\nSize=32\nType=Fixed\n");
        QImage blue(32, 32, QImage::Format_ARGB32);
        blue.fill(Blue);
        QVERIFY(blue.save(themeDir + QStringLiteral("/32x32/apps/kelvaro-test-game.png")));
        QIcon::setThemeSearchPaths({m_dir.filePath(QStringLiteral("icons"))});
        QIcon::setThemeName(QStringLiteral("kelvarotest"));

        const QByteArray spacedPath = m_dir.filePath(QStringLiteral("with\\sspace.png")).toUtf8();
        const QList<std::tuple<const char *, QByteArray, QColor>> cases{
            {"path", "[Desktop Entry]\nName=Game\nIcon=" + spacedPath + "\nExec=game\n", Red},
            {"theme name", "# comment\n[Desktop Entry]\r\nIcon = kelvaro-test-game\r\n", Blue},
        };
        for (const auto &[name, text, color] : cases) {
            const QString path = write(QStringLiteral("game.desktop"), text);
            QVERIFY2(IconExtractor::countIconsUncached(path) == 1, name);
            const ExtractedIcon icon = IconExtractor::extractIconUncached(path, 0);
            QVERIFY2(near(centre(icon.image32), color), name);
            QVERIFY2(near(centre(icon.image16), color), name);
        }

        const QString other =
            write(QStringLiteral("other.desktop"), "[Desktop Entry]\nIcon=" + spacedPath + "\n");
        const QList<std::pair<const char *, QByteArray>> none{
            {"no icon", "[Desktop Entry]\nName=Game\n"},
            {"icon of another group", "[Desktop Action x]\nIcon=" + spacedPath + "\n"},
            {"unknown theme icon", "[Desktop Entry]\nIcon=no-such-icon-anywhere\n"},
            {"relative path", "[Desktop Entry]\nIcon=sub/game.png\n"},
            {"another desktop entry", "[Desktop Entry]\nIcon=" + other.toUtf8() + "\n"},
        };
        for (const auto &[name, text] : none) {
            const QString path = write(QStringLiteral("none.desktop"), text);
            QVERIFY2(IconExtractor::countIconsUncached(path) == 0, name);
            QVERIFY2(IconExtractor::extractIconUncached(path, 0).isNull(), name);
        }
    }

    // The cache keeps a result while the file's size and modification time stay; a
    // file rewritten behind its back with both unchanged still shows the old icon,
    // which proves that nothing was decoded again.
    void cacheFollowsSizeAndTime()
    {
        const QDateTime t0 = QDateTime::currentDateTimeUtc().addSecs(-3600);
        const QString path = write(QStringLiteral("cached.ico"), icoFile({image(32, 32, Red)}));
        QVERIFY(setModified(path, t0));
        IconExtractor extractor;
        QVERIFY(near(centre(extractor.extractIcon(path, 0).image32), Red));

        write(QStringLiteral("cached.ico"), icoFile({image(32, 32, Blue)}));
        QVERIFY(setModified(path, t0));
        QVERIFY(near(centre(extractor.extractIcon(path, 0).image32), Red));
        // Another spelling of the same file shares the result.
        const QString other = m_dir.path() + QStringLiteral("/./cached.ico");
        QVERIFY(near(centre(extractor.extractIcon(other, 0).image32), Red));

        QVERIFY(setModified(path, t0.addSecs(10)));
        QVERIFY(near(centre(extractor.extractIcon(path, 0).image32), Blue));

        // A new size with the same time is seen as well.
        write(QStringLiteral("cached.ico"), icoFile({image(32, 32, Green), image(16, 4, Green)}));
        QVERIFY(setModified(path, t0.addSecs(10)));
        QVERIFY(near(centre(extractor.extractIcon(path, 0).image32), Green));

        // Counts are cached the same way.
        const QString program = write(QStringLiteral("cached.exe"), peFile(numberedGroups(2)));
        QVERIFY(setModified(program, t0));
        QCOMPARE(extractor.iconCount(program), 2);
        write(QStringLiteral("cached.exe"), peFile(numberedGroups(3)));
        QVERIFY(setModified(program, t0));
        QCOMPARE(extractor.iconCount(program), 3); // a different size
        QCOMPARE(extractor.extractIcon(program, 2).isNull(), false);

        extractor.clearCache();
        write(QStringLiteral("cached.ico"), icoFile({image(32, 32, Yellow), image(16, 4, Red)}));
        QVERIFY(setModified(path, t0.addSecs(10)));
        QVERIFY(near(centre(extractor.extractIcon(path, 0).image32), Yellow));
    }

    // A name that leads to another file is seen, even when both files have the same
    // size and modification time.
    void cacheFollowsLinks()
    {
        if (QSysInfo::kernelType() != u"linux")
            QSKIP("symbolic links are made on Linux");
        const QDateTime t0 = QDateTime::currentDateTimeUtc().addSecs(-3600);
        const QString red = write(QStringLiteral("red.ico"), icoFile({image(32, 32, Red)}));
        const QString blue = write(QStringLiteral("blue.ico"), icoFile({image(32, 32, Blue)}));
        QVERIFY(setModified(red, t0));
        QVERIFY(setModified(blue, t0));
        const QString link = m_dir.filePath(QStringLiteral("link.ico"));
        QVERIFY(QFile::link(red, link));
        IconExtractor extractor;
        QVERIFY(near(centre(extractor.extractIcon(link, 0).image32), Red));
        QVERIFY(QFile::remove(link));
        QVERIFY(QFile::link(blue, link));
        QVERIFY(near(centre(extractor.extractIcon(link, 0).image32), Blue));
        QVERIFY(near(centre(extractor.extractIcon(red, 0).image32), Red));
    }

    void hostileData_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("count");

        const QByteArray ico = icoFile({image(32, 32, Red), image(16, 8, Blue)});
        const QByteArray pe = peFile(numberedGroups(2, 32, 8));
        auto patched = [](QByteArray data, qsizetype at, QByteArray bytes) {
            data.replace(at, bytes.size(), bytes);
            return data;
        };
        auto le32 = [](quint32 v) {
            const char bytes[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
            return QByteArray(bytes, 4);
        };
        // Offsets in the icon file: directory entries from 6, the first image from 38,
        // the second after it. Both images are spoilt, or the other would stand in.
        const qsizetype first = 38;
        const qsizetype second = first + imageData(image(32, 32, Red)).size();
        auto both = [&](qsizetype field, quint32 value) {
            return patched(patched(ico, first + field, le32(value)), second + field, le32(value));
        };
        QTest::newRow("icon file claiming 65535 images") << patched(ico, 4, "\xff\xff") << 0;
        QTest::newRow("image offsets past the end")
            << patched(patched(ico, 18, le32(0x7ffffff0)), 34, le32(0xfffffff0)) << 1;
        QTest::newRow("images wider than allowed") << both(4, 100000) << 1;
        QTest::newRow("negative image heights") << both(8, quint32(-64)) << 1;
        QTest::newRow("huge bitmap headers") << both(0, 0xffffffff) << 1;
        const QByteArray ico8 = icoFile({image(32, 8, Red)});
        QTest::newRow("palette of a billion colours")
            << patched(ico8, 22 + 32, le32(1u << 30)) << 1;
        QTest::newRow("compressed bitmaps") << both(16, 1) << 1;
        QByteArray png = imageData(image(32, 32, Red, true));
        const QByteArray hugePng = patched(patched(png, 16, QByteArray::fromHex("000186a0")), 20,
                                           QByteArray::fromHex("000186a0"));
        Image pngImage = image(32, 32, Red, true);
        QByteArray pngIco = icoFile({pngImage});
        pngIco = pngIco.left(22) + hugePng;
        QTest::newRow("PNG of 100000 x 100000") << pngIco << 1;

        // Offsets in the program: header at 0x40, resources from 0x200.
        QTest::newRow("PE header offset out of the file")
            << patched(pe, 0x3c, le32(0xfffffff0)) << 0;
        QTest::newRow("65535 sections") << patched(pe, 0x46, "\xff\xff") << 0;
        QTest::newRow("unknown optional header") << patched(pe, 0x58, "\x07\x01") << 0;
        QTest::newRow("group table is the root") << patched(pe, 0x21c, le32(0x80000000)) << 2;
        QTest::newRow("type table past the section") << patched(pe, 0x21c, le32(0x8ffffff0)) << 0;
        QTest::newRow("resource root outside every section")
            << patched(pe, 0x40 + 24 + 96 + 16, le32(0x7000000)) << 0;
    }
    void hostileData()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, count);
        const QString path = write(QStringLiteral("hostile.bin"), data);
        QCOMPARE(IconExtractor::countIconsUncached(path), count);
        for (int index : {0, 1, -1, -2})
            QVERIFY(IconExtractor::extractIconUncached(path, index).isNull());
    }

    // Every prefix of a good file: no crash, and an icon is always of the right sizes.
    void truncatedFiles()
    {
        Image withAlpha = image(32, 32, Green);
        withAlpha.alpha = true;
        const QList<Image> images{image(48, 32, Yellow, true), image(16, 4, Red), withAlpha};
        const QByteArray pe = peFile({{QStringLiteral("MAIN"), 0, images}}, PeKind::Pe32Plus);
        const QByteArray ico = icoFile(images);
        int iconsSeen = 0;
        for (const bool isPe : {true, false}) {
            const QByteArray &file = isPe ? pe : ico;
            for (qsizetype n = 0; n <= file.size(); ++n) {
                const QByteArrayView prefix(file.constData(), n);
                const ExtractedIcon icon =
                    isPe ? PeIcons::readIcon(prefix, 0) : IconFormat::readIcoFile(prefix);
                if (icon.isNull())
                    continue;
                ++iconsSeen;
                QCOMPARE(icon.image32.size(), QSize(32, 32));
                QCOMPARE(icon.image16.size(), QSize(16, 16));
            }
            const ExtractedIcon whole =
                isPe ? PeIcons::readIcon(file, 0) : IconFormat::readIcoFile(file);
            QVERIFY(samePicture(whole.image32, pictureOf(withAlpha)));
        }
        QVERIFY(iconsSeen > 0);
    }
};

KELVARO_TEST_MAIN(TestIconExtractor)
#include "tst_iconextractor.moc"
