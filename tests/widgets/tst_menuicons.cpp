#include "support/TestMain.h"
#include "widgets/MenuIcons.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The share of pixels that are not fully transparent.
double coverage(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int opaque = 0;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            opaque += qAlpha(argb.pixel(x, y)) > 0 ? 1 : 0;
    return double(opaque) / (argb.width() * argb.height());
}

QImage render(const QString &path, int size)
{
    QSvgRenderer renderer(path);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

} // namespace

class TestMenuIcons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pictures_data();
    void pictures();
    void picturesDiffer();
};

void TestMenuIcons::pictures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QIcon>("icon");
    for (int i = 0; i < MenuPictureCount; ++i) {
        const auto picture = static_cast<MenuPicture>(i);
        QTest::newRow(qPrintable(MenuPicturePath(picture)))
            << MenuPicturePath(picture) << MenuIcon(picture);
    }
    QTest::newRow("window icon") << KelvaroIconPath() << KelvaroIcon();
}

void TestMenuIcons::pictures()
{
    QFETCH(QString, path);
    QFETCH(QIcon, icon);
    QSvgRenderer renderer(path);
    QVERIFY2(renderer.isValid(), qPrintable(path));
    QCOMPARE(renderer.viewBox().width(), renderer.viewBox().height());

    for (int size : {16, 32, 64}) {
        // Drawn, not empty, and neither a speck nor a filled square.
        const QImage image = render(path, size);
        const double share = coverage(image);
        QVERIFY2(share > 0.15 && share < 0.98,
                 qPrintable(u"%1 at %2: %3"_s.arg(path).arg(size).arg(share)));
    }

    // At a pixel ratio of 2 the icon is drawn at twice the pixels, not enlarged.
    const QPixmap sharp = icon.pixmap(QSize(16, 16), 2.0);
    QCOMPARE(sharp.size(), QSize(32, 32));
    QCOMPARE(sharp.devicePixelRatio(), 2.0);
    QImage pixels = sharp.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    pixels.setDevicePixelRatio(1.0);
    QCOMPARE(pixels, render(path, 32));
}

void TestMenuIcons::picturesDiffer()
{
    QList<QImage> images;
    for (int i = 0; i < MenuPictureCount; ++i)
        images.append(render(MenuPicturePath(static_cast<MenuPicture>(i)), 16));
    images.append(render(KelvaroIconPath(), 16));
    QCOMPARE(MenuIconList().size(), MenuPictureCount);
    for (int i = 0; i < images.size(); ++i)
        for (int j = i + 1; j < images.size(); ++j)
            QVERIFY2(images.at(i) != images.at(j), qPrintable(u"%1 and %2"_s.arg(i).arg(j)));
}

KELVARO_TEST_MAIN(TestMenuIcons)
#include "tst_menuicons.moc"
