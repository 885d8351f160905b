#pragma once

#include <QImage>
#include <QPointer>
#include <QString>

class IconSource;
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
// the transparent picture. `small` and `large` may be the same object; it then ends
// up holding the small image.
//
// Qt needs no image lists converted to 32-bit colour: the views draw these images
// with their alpha channel as they are.
void LoadEntryIcons(const QString &location, TIcon &small, TIcon &large,
                    const IconContext &context);

// One pending extraction shared by the two icon objects of an entry.
class IconRequest
{
public:
    IconRequest(QString fileName, QString shownName, int index, const IconContext &context);

    // Extracts once; later calls return the same images.
    const QImage &image(bool large);

private:
    void extract();

    QString m_fileName;  // resolved
    QString m_shownName; // as the location names it, for the message
    int m_index;
    IconSource *m_source;
    Prompter *m_prompter;
    QPointer<QObject> m_owner;
    bool m_done = false;
    QImage m_image32;
    QImage m_image16;
};
