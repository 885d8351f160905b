// Programs and libraries: the PE headers, the resource tree, icon groups and the
// images they point at.
#include "platform/PeIconResources.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView file(reinterpret_cast<const char *>(data), qsizetype(size));
    const int count = PeIcons::countIcons(file);
    for (int index : {0, 1, count - 1, -1, -2, -32767}) {
        const ExtractedIcon icon = PeIcons::readIcon(file, index);
        if (!icon.isNull() && (icon.image32.width() != 32 || icon.image16.width() != 16))
            __builtin_trap();
    }
    return 0;
}
