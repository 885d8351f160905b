#pragma once

#include "platform/IconImages.h"

#include <QImage>
#include <QPointer>
#include <QString>

#include <atomic>
#include <memory>

class IconSource;
struct IconRequestContext;
class Prompter;
class QObject;
class TIcon;

// The special icon location of the default category picture (exact, case-sensitive).
inline constexpr QStringView DefaultCategoryIconLocation = u"DEFAULTCATICON";

// Where LoadEntryIcons resolves relative locations and whom it tells about an
// unexpected error ("Could not load Icon ...", owned by the main window).
struct IconContext
{
    QString currentDir;           // relative locations resolve against it
    Prompter *prompter = nullptr; // nullptr: errors are not shown
    QObject *owner = nullptr;
    IconSource *source = nullptr; // nullptr: the program's shared IconExtractor

    // The one copy of the fields above that every icon loaded with this context keeps
    // until it is drawn. LoadEntryIcons makes it on first use and again whenever the
    // fields no longer match it, so the entries of one list file share one.
    mutable std::shared_ptr<const IconRequestContext> shared = {};
};

// Fills both icon objects from an icon location: empty or blank → the transparent
// picture; "DEFAULTCATICON" → the default category picture; otherwise "file[,index]"
// (split at the last comma, see ParseIconLocation): that icon of the file, or the
// transparent picture when the file is missing or yields no icon there. A relative
// file resolves against context.currentDir (the process's current directory when
// that is empty).
//
// The file is read when either object's image is first needed (see TIcon); the
// prompter, the owner's window and the source must outlive the icon objects. Never
// raises: an unexpected error is shown as "Could not load Icon <file>" and leaves
// the transparent picture. When it happens while an icon is being drawn, the message
// is shown from the event loop once the drawing is over, and dropped if its owner
// goes away before that. `small` and `large` may be the same object; it then ends
// up holding the small image.
//
// Qt needs no image lists converted to 32-bit colour: the views draw these images
// with their alpha channel as they are.
void LoadEntryIcons(const QString &location, TIcon &small, TIcon &large,
                    const IconContext &context);

// What the icons loaded with one context share: the directory that relative files
// resolve against and whom an error is reported to.
struct IconRequestContext
{
    QString currentDir; // as the context gave it
    QString baseDir;    // currentDir, or the current directory at loading when that was empty
    Prompter *prompter = nullptr;
    QPointer<QObject> owner;
    IconSource *source = nullptr;

    bool matches(const IconContext &context) const;
};

// What the two icon objects of an entry show: either images given (the stock
// pictures, an image set on an object) or an extraction waiting for the first
// drawing. A waiting request keeps only the location (sharing the entry's string) and
// the context of its list file; the file is resolved and read when either object is
// first drawn. Shared by the icon objects through a reference count.
class IconRequest
{
public:
    IconRequest(QString location, std::shared_ptr<const IconRequestContext> context);
    IconRequest(const QImage &image32, const QImage &image16);
    ~IconRequest();
    IconRequest(const IconRequest &) = delete;
    IconRequest &operator=(const IconRequest &) = delete;

    // Extracts once; later calls return the same images.
    const QImage &image(bool large);
    bool isWaiting() const { return !m_images; }

    void addReference() { m_references.fetch_add(1, std::memory_order_relaxed); }
    // Deletes the request with its last reference.
    static void release(IconRequest *request);

private:
    void extract();

    std::atomic<int> m_references{1};
    QString m_location;
    std::shared_ptr<const IconRequestContext> m_context;
    std::unique_ptr<ExtractedIcon> m_images; // set once extracted or when given
};
