#pragma once

#include <QImage>

#include <memory>

class IconRequest;

// An icon object: holds at most one image and owns it. Each catalogue entry owns two
// for its whole life (16x16 and 32x32) that are refilled, never replaced.
//
// LoadEntryIcons does not decode at once: it leaves both objects of an entry waiting
// on one shared request (a file and an index), which image() carries out the first
// time either object is drawn. So a catalogue opens as fast with ten thousand icons
// as with none, and what a view shows is the same. A waiting object is not empty: it
// will hold the icon, or the transparent picture when the file yields none.
class TIcon
{
public:
    bool isEmpty() const { return !m_request && m_image.isNull(); }
    const QImage &image() const
    {
        if (m_request)
            resolve();
        return m_image;
    }
    void setImage(const QImage &image)
    {
        m_request.reset();
        m_image = image;
    }
    void clear()
    {
        m_request.reset();
        m_image = QImage();
    }
    // Copies the other object's image (or the request it waits on) into this one.
    void assign(const TIcon &other)
    {
        m_image = other.m_image;
        m_request = other.m_request;
        m_takesLargeImage = other.m_takesLargeImage;
    }

    // Makes this object wait on the request; it will take the request's 32x32 image
    // when `large`, its 16x16 image otherwise.
    void setRequest(std::shared_ptr<IconRequest> request, bool large)
    {
        m_image = QImage();
        m_request = std::move(request);
        m_takesLargeImage = large;
    }
    bool isWaiting() const { return m_request != nullptr; }

private:
    void resolve() const;

    mutable QImage m_image;
    mutable std::shared_ptr<IconRequest> m_request;
    bool m_takesLargeImage = false;
};
