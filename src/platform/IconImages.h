#pragma once

#include <QImage>

// What one icon extraction yields: the icon's 32x32 and 16x16 images, each with alpha
// (ARGB32 premultiplied), or two null images when the file gave no icon.
struct ExtractedIcon
{
    QImage image32;
    QImage image16;

    bool isNull() const { return image32.isNull() && image16.isNull(); }
};
