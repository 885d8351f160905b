#pragma once

#include <QIcon>
#include <QWidget>

class IconSource;
class Prompter;
class QComboBox;
class QFrame;
class QImage;
class QLabel;
class QLineEdit;
class QPushButton;

// The group of controls through which the Add Entry, Edit Gamelists and Settings
// dialogs choose an icon: a file, an index into it and previews. The controls carry
// the same names in all three: IconEdit, IconFileBrowseButton, IconIndexCombo,
// LargeIconImage and SmallIconImage (41x41, picture centred), the last three in
// IconParameterPanel.
//
// The variants differ:
//   AddEntry       "DEFAULTCATICON" as file text lists no index and previews the
//                  default category icon; the index text must be a decimal integer,
//                  otherwise "'<text>' is not a valid integer value" is shown and the
//                  previews stay.
//   EditGamelists  "DEFAULTCATICON" is counted like any file (index list "0") and
//                  previews the default category icon; the index text reads as its
//                  leading integer (0 without digits); every index change ends with
//                  locationChanged(composed location).
//   Settings       a small preview only; "DEFAULTCATICON" is a file like any other; an
//                  empty file text previews the main window's icon; lenient index.
class IconPicker : public QWidget
{
    Q_OBJECT

public:
    enum class Variant { AddEntry, EditGamelists, Settings };

    // `source` nullptr: the program's shared IconExtractor.
    IconPicker(Variant variant, Prompter &prompter, QWidget *parent = nullptr,
               IconSource *source = nullptr);

    Variant variant() const { return m_variant; }

    // The main window's own icon, which the Settings variant previews for an empty file.
    void setMainWindowIcon(const QIcon &icon);

    QString iconFileText() const;
    QString indexText() const;
    // Both run the control's change handler, as typing would.
    void setIconFileText(const QString &text);
    void setIndexText(const QString &text);

    // The location the picker's contents stand for. AddEntry and EditGamelists: the
    // file text alone when it is blank or "DEFAULTCATICON", else file text, "," and
    // index text as they stand. Settings: empty for an empty file text, else file text,
    // "," and index text.
    QString composeLocation() const;
    // Shows a stored location: an empty one (in EditGamelists also "DEFAULTCATICON")
    // as that file text with index "0", any other split into file and index; the index
    // list is filled from the file and the index text set even when it lists no such
    // item.
    void showLocation(const QString &location);

    QLineEdit *iconEdit() const { return m_iconEdit; }
    QComboBox *indexCombo() const { return m_indexCombo; }
    QLabel *largeIconImage() const { return m_largeImage; } // nullptr in Settings
    QLabel *smallIconImage() const { return m_smallImage; }

    // The "..." button: an open-file dialog for icons and programs; the chosen file goes
    // into IconEdit.
    void IconFileBrowseButtonClick();
    // The file changed: the index list becomes "0" .. count-1 of the file's icons ("0"
    // alone for none), its first item is selected and the previews follow.
    void IconEditChange();
    // The index changed: the previews show that icon of the file.
    void IconIndexComboChange();

Q_SIGNALS:
    // EditGamelists only: the location after an index change.
    void locationChanged(const QString &location);

private:
    void showPreview(QLabel *label, const QImage &image);
    bool indexValue(int &index);
    template <typename Handler> void guarded(Handler handler);

    Variant m_variant;
    Prompter &m_prompter;
    IconSource &m_source;
    QIcon m_mainWindowIcon;

    QLabel *m_iconLabel = nullptr;
    QLineEdit *m_iconEdit = nullptr;
    QPushButton *m_browseButton = nullptr;
    QFrame *m_parameterPanel = nullptr;
    QComboBox *m_indexCombo = nullptr;
    QLabel *m_largeImage = nullptr;
    QLabel *m_smallImage = nullptr;
};
