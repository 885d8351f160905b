#include "catalogue/EntryIcons.h"

#include "catalogue/EntryIcon.h"

// Placeholder until icon extraction exists: every entry shows no picture.
void LoadEntryIcons(const QString &location, TIcon &small, TIcon &large, const IconContext &context)
{
    Q_UNUSED(location);
    Q_UNUSED(context);
    large.clear();
    small.clear();
}
