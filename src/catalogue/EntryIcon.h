#pragma once

#include <QImage>

// An icon object: holds at most one image and owns it. Each catalogue entry owns two
// for its whole life (16x16 and 32x32) that are refilled, never replaced.
class TIcon
{
public:
    bool isEmpty() const { return m_image.isNull(); }
    const QImage &image() const { return m_image; }
    void setImage(const QImage &image) { m_image = image; }
    void clear() { m_image = QImage(); }
    // Copies the other object's image into this one.
    void assign(const TIcon &other) { m_image = other.m_image; }

private:
    QImage m_image;
};
