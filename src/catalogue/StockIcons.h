#pragma once

#include <QImage>

// The two fixed pictures of the catalogue, at 16x16 or 32x32 (ARGB32 premultiplied).
//
// The views draw with alpha, so no image list needs converting to 32-bit colour: every
// picture here and every extracted icon already carries its alpha channel.

// Nothing at all: every pixel fully transparent. It stands for an entry without icon.
QImage TransparentIcon(int size);
// A folder: the default picture of a category.
QImage DefaultCategoryIcon(int size);
