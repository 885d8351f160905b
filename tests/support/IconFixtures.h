#pragma once

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QString>

// Writers of icon files and of minimal programs in the PE format that carry icon
// groups, for tests and benchmarks. Uses Qt Core and Gui only.
namespace IconFixtures {

// One stored image of an icon. Its picture is one solid colour, except that the
// top-left pixel is transparent (through the AND mask, or alpha for PNG and 32-bit
// images with alpha) and, with alpha, the pixel right of it is half transparent.
struct Image
{
    int width = 32;
    int height = 32;
    int bitCount = 32; // 1, 4, 8, 16, 24 or 32; a PNG is always 32
    QColor color = Qt::red;
    bool png = false;
    bool alpha = false;         // 32-bit bitmaps: a real alpha channel (PNG always has one)
    int directoryBitCount = -1; // stored in the directory; -1: bitCount, 0: left out
};

// The picture an Image stands for, as a decoder should see it.
QImage pictureOf(const Image &image);
// The stored form of the image: a bitmap with its mask, or a PNG.
QByteArray imageData(const Image &image);

// An icon file with the images, in that order.
QByteArray icoFile(const QList<Image> &images);

// An RT_GROUP_ICON resource: named when `name` is not empty, else numbered by `id`.
struct Group
{
    QString name;
    quint16 id = 0;
    QList<Image> images;
};

enum class PeKind { Pe32, Pe32Plus };

// A program with one resource section holding the groups in the order given (the
// reader is expected to sort them) and their RT_ICON images, numbered from 1. No
// groups: a program without a resource section.
QByteArray peFile(const QList<Group> &groups, PeKind kind = PeKind::Pe32);

// Groups of one image each, numbered 1 .. count, coloured by colorFor(i).
QList<Group> numberedGroups(int count, int side = 16, int bitCount = 4);
// A colour that differs for each small number.
QColor distinctColor(int i);

bool writeFile(const QString &path, const QByteArray &data);
// Sets the file's modification time.
bool setModified(const QString &path, const QDateTime &time);

} // namespace IconFixtures
