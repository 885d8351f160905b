#include "catalogue/EntryIcons.h"

#include "catalogue/EntryIcon.h"
#include "catalogue/PathHelpers.h"
#include "catalogue/StockIcons.h"
#include "platform/IconExtractor.h"
#include "platform/Prompter.h"

#include <QDir>
#include <QObject>

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

IconRequest::IconRequest(QString fileName, QString shownName, int index, const IconContext &context)
    : m_fileName(std::move(fileName)), m_shownName(std::move(shownName)), m_index(index),
      m_source(context.source), m_prompter(context.prompter), m_owner(context.owner)
{}

const QImage &IconRequest::image(bool large)
{
    if (!m_done)
        extract();
    return large ? m_image32 : m_image16;
}

void IconRequest::extract()
{
    m_done = true;
    m_image32 = TransparentIcon(32);
    m_image16 = TransparentIcon(16);
    try {
        // A file without icons, or without one at the index, gives a null result: the
        // transparent picture stays.
        IconSource &source = m_source ? *m_source : IconExtractor::shared();
        const ExtractedIcon icon = source.extractIcon(m_fileName, m_index);
        if (!icon.isNull()) {
            m_image32 = icon.image32.isNull() ? icon.image16 : icon.image32;
            m_image16 = icon.image16.isNull() ? icon.image32 : icon.image16;
        }
    } catch (...) {
        reportFailure(m_prompter, m_owner.data(), m_shownName);
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
    QString shownName = location;
    try {
        if (location.trimmed().isEmpty()) {
            setTransparent(small, large);
            return;
        }
        if (location == DefaultCategoryIconLocation) {
            setStock(small, large, DefaultCategoryIcon(16), DefaultCategoryIcon(32));
            return;
        }
        QString file = location;
        const int index = ParseIconLocation(file);
        shownName = file;
        const QDir base(context.currentDir.isEmpty() ? QDir::currentPath() : context.currentDir);
        const QString resolved = file.isEmpty() ? QString() : base.absoluteFilePath(file);
        auto request = std::make_shared<IconRequest>(resolved, file, index, context);
        large.setRequest(request, true);
        small.setRequest(std::move(request), false);
    } catch (...) {
        reportFailure(context.prompter, context.owner, shownName);
        try {
            setTransparent(small, large);
        } catch (...) {
            large.clear();
            small.clear();
        }
    }
}
