#pragma once

#include "platform/IconImages.h"

#include <QByteArrayView>
#include <QList>

#include <functional>

// Icon files (.ico) and the pieces of the icon format that programs share: the icon
// directory, the choice of an image for a size, and the decoding of one image stored
// as a device-independent bitmap or as PNG.
//
// Everything here works on memory and trusts nothing in it: every size and offset is
// checked against the data it came with, and images wider or taller than
// MaxImageSide are refused before anything is allocated.
namespace IconFormat {

inline constexpr int MaxImageSide = 512;

// One image as a directory describes it.
struct DirectoryEntry
{
    int width = 0;  // 1 .. 256 (a stored 0 means 256)
    int height = 0; // 1 .. 256
    int colorCount = 0;
    int bitCount = 0;
    quint32 bytes = 0;
    quint32 offsetOrId = 0; // offset into an icon file; RT_ICON identifier in a group
};

enum class DirectoryKind { IconFile, ResourceGroup };

// The entries of an icon file's directory (16-byte entries ending with an offset) or
// of an RT_GROUP_ICON resource (14-byte entries ending with a resource identifier).
// Empty when the header is not an icon header or the entries do not fit the data.
QList<DirectoryEntry> parseDirectory(QByteArrayView data, DirectoryKind kind);

// The colour depth of an image, from its stored data: the bitmap header's bit count,
// 32 for PNG; 0 when unknown.
int storedBitDepth(QByteArrayView imageData);

// The entry Windows picks for a square of `size` pixels: the smallest
// |width - size| + |height - size|, then the colour depth closest to the display's,
// the first on ties. `depths` holds each entry's colour depth. -1 for no entries.
int chooseImage(const QList<DirectoryEntry> &entries, const QList<int> &depths, int size,
                int displayDepth = 32);

// Decodes one stored image: a bitmap (1, 4, 8, 16, 24 or 32 bits per pixel, its AND
// mask after it; 32 bits with alpha) or a PNG. Null when malformed or too big.
QImage decodeImage(QByteArrayView data);

// The image scaled smoothly to fit a size x size square, centred on transparency.
// An image of exactly that size is only converted to ARGB32 premultiplied.
QImage fitToSquare(const QImage &image, int size);

// Picks and decodes the 32x32 and the 16x16 image of one icon, given its directory
// and a way to get each entry's stored data. When one size cannot be decoded, the
// other size's image is scaled instead; null when neither can.
ExtractedIcon
extractFromDirectory(const QList<DirectoryEntry> &entries,
                     const std::function<QByteArrayView(const DirectoryEntry &)> &dataOf);

// An icon file holds one icon: 1 when the data starts with a valid icon directory.
int countIcoIcons(QByteArrayView file);
// The icon of an icon file (index 0 only).
ExtractedIcon readIcoFile(QByteArrayView file, int index = 0);

} // namespace IconFormat
