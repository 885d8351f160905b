// Icon files, and single stored images (bitmaps with their masks, PNG) on their own.
#include "platform/IcoFormat.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (IconFormat::countIcoIcons(bytes) > 0) {
        const ExtractedIcon icon = IconFormat::readIcoFile(bytes);
        if (!icon.isNull() && (icon.image32.width() != 32 || icon.image16.width() != 16))
            __builtin_trap();
    }
    const QImage image = IconFormat::decodeImage(bytes);
    if (image.width() > IconFormat::MaxImageSide || image.height() > IconFormat::MaxImageSide)
        __builtin_trap();
    IconFormat::parseDirectory(bytes, IconFormat::DirectoryKind::ResourceGroup);
    return 0;
}
