#include "catalogue/EntryIcons.h"

#include "catalogue/EntryIcon.h"
#include "catalogue/PathHelpers.h"
#include "catalogue/StockIcons.h"
#include "platform/IconExtractor.h"
#include "platform/Prompter.h"

#include <QDir>
#include <QObject>

#include <algorithm>

namespace {

void reportFailure(Prompter *prompter, QObject *owner, const QString &name)
{
    if (!prompter)
        return;
    // Showing the message must not raise either; if it does, the picture still falls back.
    try {
        prompter->message(owner, QStringLiteral("Error"),
                          QStringLiteral("Could not load Icon ") + name);
    } catch (...) {
    }
}

void setStock(TIcon &small, TIcon &large, const QImage &image16, const QImage &image32)
{
    // The large image goes in first, so one object passed as both ends with the small one.
    large.setImage(image32);
    small.setImage(image16);
}

void setTransparent(TIcon &small, TIcon &large)
{
    setStock(small, large, TransparentIcon(16), TransparentIcon(32));
}

} // namespace

bool IconRequestContext::matches(const IconContext &context) const
{
    return prompter == context.prompter && source == context.source &&
           owner.data() == context.owner && currentDir == context.currentDir &&
           (!currentDir.isEmpty() || baseDir == QDir::currentPath());
}

IconRequest::IconRequest(QString location, std::shared_ptr<const IconRequestContext> context)
    : m_location(std::move(location)), m_context(std::move(context))
{}

IconRequest::~IconRequest() = default;

const QImage &IconRequest::image(bool large)
{
    if (!m_images)
        extract();
    return large ? m_images->image32 : m_images->image16;
}

void IconRequest::extract()
{
    m_images = std::make_unique<ExtractedIcon>();
    ExtractedIcon &images = *m_images;
    images.image32 = TransparentIcon(32);
    images.image16 = TransparentIcon(16);
    const IconRequestContext &context = *m_context;
    QString file = m_location;
    try {
        const int index = ParseIconLocation(file);
        const QString resolved =
            file.isEmpty() ? QString() : QDir(context.baseDir).absoluteFilePath(file);
        // A file without icons, or without one at the index, gives a null result: the
        // transparent picture stays.
        IconSource &source = context.source ? *context.source : IconExtractor::shared();
        const ExtractedIcon icon = source.extractIcon(resolved, index);
        if (!icon.isNull()) {
            images.image32 = icon.image32.isNull() ? icon.image16 : icon.image32;
            images.image16 = icon.image16.isNull() ? icon.image32 : icon.image16;
        }
    } catch (...) {
        reportFailure(context.prompter, context.owner.data(), file);
    }
}

void TIcon::resolve() const
{
    // Keep the request alive while it extracts: the other object of the pair may hold
    // the only other reference.
    const std::shared_ptr<IconRequest> request = std::move(m_request);
    m_image = request->image(m_takesLargeImage);
}

void LoadEntryIcons(const QString &location, TIcon &small, TIcon &large, const IconContext &context)
{
    try {
        if (std::all_of(location.begin(), location.end(), [](QChar c) { return c.isSpace(); })) {
            setTransparent(small, large);
            return;
        }
        if (location == DefaultCategoryIconLocation) {
            setStock(small, large, DefaultCategoryIcon(16), DefaultCategoryIcon(32));
            return;
        }
        // Nothing is resolved or read until the icon is drawn; the request keeps the
        // location and the context that the entries of one list share.
        if (!context.shared || !context.shared->matches(context)) {
            auto shared = std::make_shared<IconRequestContext>();
            shared->currentDir = context.currentDir;
            shared->baseDir =
                context.currentDir.isEmpty() ? QDir::currentPath() : context.currentDir;
            shared->prompter = context.prompter;
            shared->owner = context.owner;
            shared->source = context.source;
            context.shared = std::move(shared);
        }
        auto request = std::make_shared<IconRequest>(location, context.shared);
        large.setRequest(request, true);
        small.setRequest(std::move(request), false);
    } catch (...) {
        reportFailure(context.prompter, context.owner, location);
        try {
            setTransparent(small, large);
        } catch (...) {
            large.clear();
            small.clear();
        }
    }
}
