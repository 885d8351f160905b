#pragma once

#include <QImage>

class IconRequest;

// An icon object: holds at most one image. Each catalogue entry owns two for its whole
// life (16x16 and 32x32) that are refilled, never replaced.
//
// LoadEntryIcons does not decode at once: it leaves both objects of an entry waiting
// on one shared request (a location and the context of its list), which image()
// carries out the first time either object is drawn. So a catalogue opens as fast with
// ten thousand icons as with none, and what a view shows is the same. A waiting object
// is not empty: it will hold the icon, or the transparent picture when the file yields
// none.
//
// The object is one pointer to what it shows (shared, reference-counted) and which of
// its two images it takes: an entry carries two of them, and a large catalogue many
// entries.
class TIcon
{
public:
    TIcon() = default;
    ~TIcon();
    TIcon(const TIcon &other);
    TIcon &operator=(const TIcon &other);

    bool isEmpty() const { return m_request == nullptr; }
    const QImage &image() const;
    // A null image empties the object.
    void setImage(const QImage &image);
    void clear();
    // Copies the other object's image (or the request it waits on) into this one.
    void assign(const TIcon &other) { *this = other; }

    // Makes this object show the request's 32x32 image when `large`, its 16x16 image
    // otherwise; a waiting request is carried out when the image is first needed.
    void setRequest(IconRequest *request, bool large);
    bool isWaiting() const;

private:
    IconRequest *m_request = nullptr; // one reference held
    bool m_takesLargeImage = false;
};
