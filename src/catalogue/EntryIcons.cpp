#include "catalogue/EntryIcons.h"

#include "catalogue/EntryIcon.h"
#include "catalogue/PathHelpers.h"
#include "catalogue/StockIcons.h"
#include "platform/IconExtractor.h"
#include "platform/Prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QObject>

#include <algorithm>
#include <utility>

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

// An icon is read when it is first drawn, usually inside a paint event, where no
// modal message box may open: the message waits until the event loop is back, and is
// dropped if its owner goes away before that.
void reportFailureLater(Prompter *prompter, const QPointer<QObject> &owner, const QString &name)
{
    if (!prompter)
        return;
    QObject *const receiver = owner ? owner.data() : QCoreApplication::instance();
    if (!receiver) {
        reportFailure(prompter, nullptr, name); // no event loop to wait for
        return;
    }
    QMetaObject::invokeMethod(
        receiver, [prompter, owner, name] { reportFailure(prompter, owner.data(), name); },
        Qt::QueuedConnection);
}

// The stock pictures: one request per picture for the whole program, never released.
IconRequest *stockRequest(bool folder)
{
    static IconRequest *const transparent =
        new IconRequest(TransparentIcon(32), TransparentIcon(16));
    static IconRequest *const category =
        new IconRequest(DefaultCategoryIcon(32), DefaultCategoryIcon(16));
    return folder ? category : transparent;
}

void setShared(TIcon &small, TIcon &large, IconRequest *request)
{
    // The large image goes in first, so one object passed as both ends with the small one.
    large.setRequest(request, true);
    small.setRequest(request, false);
}

void setTransparent(TIcon &small, TIcon &large)
{
    setShared(small, large, stockRequest(false));
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

IconRequest::IconRequest(const QImage &image32, const QImage &image16)
    : m_images(std::make_unique<ExtractedIcon>(ExtractedIcon{image32, image16}))
{}

IconRequest::~IconRequest() = default;

void IconRequest::release(IconRequest *request)
{
    if (request && request->m_references.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete request;
}

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
        reportFailureLater(context.prompter, context.owner, file);
    }
    m_location.clear();
    m_context.reset(); // last: `context` refers to it
}

TIcon::~TIcon()
{
    IconRequest::release(m_request);
}

TIcon::TIcon(const TIcon &other)
    : m_request(other.m_request), m_takesLargeImage(other.m_takesLargeImage)
{
    if (m_request)
        m_request->addReference();
}

TIcon &TIcon::operator=(const TIcon &other)
{
    setRequest(other.m_request, other.m_takesLargeImage);
    return *this;
}

const QImage &TIcon::image() const
{
    static const QImage none;
    if (m_request && m_request->isWaiting()) {
        // An error shown while extracting may run events that let go of both objects of
        // the pair: the request stays alive until it is done.
        IconRequest *const request = m_request;
        request->addReference();
        request->image(m_takesLargeImage);
        IconRequest::release(request);
    }
    return m_request ? m_request->image(m_takesLargeImage) : none;
}

void TIcon::setImage(const QImage &image)
{
    if (image.isNull()) {
        clear();
        return;
    }
    IconRequest *const request = new IconRequest(image, image);
    IconRequest::release(m_request);
    m_request = request;
}

void TIcon::clear()
{
    IconRequest::release(std::exchange(m_request, nullptr));
}

void TIcon::setRequest(IconRequest *request, bool large)
{
    if (request)
        request->addReference(); // first: the request may be the one held already
    IconRequest::release(m_request);
    m_request = request;
    m_takesLargeImage = large;
}

bool TIcon::isWaiting() const
{
    return m_request && m_request->isWaiting();
}

void LoadEntryIcons(const QString &location, TIcon &small, TIcon &large, const IconContext &context)
{
    try {
        if (std::all_of(location.begin(), location.end(), [](QChar c) { return c.isSpace(); })) {
            setTransparent(small, large);
            return;
        }
        if (location == DefaultCategoryIconLocation) {
            setShared(small, large, stockRequest(true));
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
        IconRequest *const request = new IconRequest(location, context.shared);
        setShared(small, large, request);
        IconRequest::release(request); // the two objects hold it now
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
