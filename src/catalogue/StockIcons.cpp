#include "catalogue/StockIcons.h"

#include <QPainter>
#include <QSvgRenderer>

namespace {

QImage makeTransparent(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage renderFolder(int size)
{
    QImage image = makeTransparent(size);
    QSvgRenderer renderer(QStringLiteral(":/core/folder.svg"));
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, size, size));
    return image;
}

} // namespace

QImage TransparentIcon(int size)
{
    static const QImage image16 = makeTransparent(16);
    static const QImage image32 = makeTransparent(32);
    if (size == 16)
        return image16;
    if (size == 32)
        return image32;
    return makeTransparent(size);
}

QImage DefaultCategoryIcon(int size)
{
    static const QImage image16 = renderFolder(16);
    static const QImage image32 = renderFolder(32);
    if (size == 16)
        return image16;
    if (size == 32)
        return image32;
    return renderFolder(size);
}
