#include "catalogue/StockIcons.h"
#include "support/FakePrompter.h"
#include "support/IconFixtures.h"
#include "support/TestMain.h"
#include "widgets/IconPicker.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace IconFixtures;
using Variant = IconPicker::Variant;

Q_DECLARE_METATYPE(IconPicker::Variant)

namespace {

const QColor WindowIconColor(255, 0, 255);

QStringList range(int count)
{
    QStringList items;
    for (int i = 0; i < count; ++i)
        items.append(QString::number(i));
    return items;
}

// What a preview shows: "absent" (no such control), "none", "folder", "window" (the
// main window's icon) or the colour in its middle, checked to be of the right size.
QString describe(const QLabel *label, int size)
{
    if (!label)
        return QStringLiteral("absent");
    const QPixmap pixmap = label->pixmap();
    if (pixmap.isNull())
        return QStringLiteral("none");
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    if (image.size() != QSize(size, size))
        return QStringLiteral("wrong size");
    if (image == DefaultCategoryIcon(size).convertToFormat(QImage::Format_ARGB32))
        return QStringLiteral("folder");
    const QColor middle = image.pixelColor(size / 2, size / 2);
    if (middle == WindowIconColor)
        return QStringLiteral("window");
    return middle.name();
}

// A picker in a window of its own, as the dialogs hold it.
struct Harness
{
    FakePrompter prompter;
    QWidget window;
    IconPicker *picker;
    std::unique_ptr<QSignalSpy> locations;

    explicit Harness(Variant variant)
    {
        window.setObjectName(variant == Variant::AddEntry ? QStringLiteral("KVAddForm")
                             : variant == Variant::EditGamelists
                                 ? QStringLiteral("KVEditForm")
                                 : QStringLiteral("KVSettingsForm"));
        picker = new IconPicker(variant, prompter, &window);
        QPixmap windowIcon(16, 16);
        windowIcon.fill(WindowIconColor);
        picker->setMainWindowIcon(QIcon(windowIcon));
        locations = std::make_unique<QSignalSpy>(picker, &IconPicker::locationChanged);
    }

    QStringList items() const
    {
        QStringList result;
        for (int i = 0; i < picker->indexCombo()->count(); ++i)
            result.append(picker->indexCombo()->itemText(i));
        return result;
    }
    QString large() const { return describe(picker->largeIconImage(), 32); }
    QString small() const { return describe(picker->smallIconImage(), 16); }
    QString lastLocation() const
    {
        return locations->isEmpty() ? QStringLiteral("<none>") : locations->last().at(0).toString();
    }
};

} // namespace

class TestIconPicker : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_three; // a program with three icons
    QString m_many;  // a program with 150 icons
    QString m_missing;
    QString m_start; // another program with three icons

    QString color(int i) const { return distinctColor(i).name(); }
    // The data tables name files by a word; this gives the file text.
    QString fileText(const QString &word) const
    {
        if (word == u"three")
            return m_three;
        if (word == u"many")
            return m_many;
        if (word == u"missing")
            return m_missing;
        return word;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_three = m_dir.filePath(QStringLiteral("three.exe"));
        m_many = m_dir.filePath(QStringLiteral("many.dll"));
        m_missing = m_dir.filePath(QStringLiteral("missing.exe"));
        // Groups 1, 2, 3: colour i at both sizes.
        QList<Group> groups;
        for (int i = 1; i <= 3; ++i) {
            Image large;
            large.color = distinctColor(i);
            Image small = large;
            small.width = small.height = 16;
            groups.append({QString(), quint16(i), {large, small}});
        }
        QVERIFY(writeFile(m_three, peFile(groups)));
        m_start = m_dir.filePath(QStringLiteral("start.exe"));
        QVERIFY(writeFile(m_start, peFile(groups)));
        QVERIFY(writeFile(m_many, peFile(numberedGroups(150))));
    }

    void controls_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QString>("fileLabel");
        QTest::addColumn<bool>("listEditor");
        QTest::newRow("Add Entry") << Variant::AddEntry << "Icon File:" << true;
        QTest::newRow("Edit Gamelists") << Variant::EditGamelists << "Icon File:" << true;
        QTest::newRow("Settings") << Variant::Settings
                                  << "Notification Area Icon (clear to use default):" << false;
    }
    void controls()
    {
        QFETCH(Variant, variant);
        QFETCH(QString, fileLabel);
        QFETCH(bool, listEditor);
        Harness h(variant);
        QWidget &w = h.window;
        auto text = [&](const char *name) {
            const QLabel *label = w.findChild<QLabel *>(QString::fromLatin1(name));
            return label ? label->text() : QStringLiteral("<absent>");
        };
        QCOMPARE(text("IconLabel"), fileLabel);
        QVERIFY(w.findChild<QLineEdit *>(QStringLiteral("IconEdit")));
        QCOMPARE(w.findChild<QPushButton *>(QStringLiteral("IconFileBrowseButton"))->text(),
                 QStringLiteral("..."));
        QWidget *panel = w.findChild<QWidget *>(QStringLiteral("IconParameterPanel"));
        QVERIFY(panel);
        auto *combo = panel->findChild<QComboBox *>(QStringLiteral("IconIndexCombo"));
        QVERIFY(combo && combo->isEditable());
        QCOMPARE(combo->currentText(), QStringLiteral("0"));
        QCOMPARE(text("IconIndexLabel"), QStringLiteral("Icon Index:"));
        QCOMPARE(text("SmallIconLabel"), QStringLiteral("Small Icon: (16x16)"));
        auto *small = panel->findChild<QLabel *>(QStringLiteral("SmallIconImage"));
        QVERIFY(small);
        QCOMPARE(small->size(), QSize(41, 41));
        QCOMPARE(small->alignment(), Qt::AlignCenter);
        auto *large = panel->findChild<QLabel *>(QStringLiteral("LargeIconImage"));
        QCOMPARE(large != nullptr, listEditor);
        if (listEditor) {
            QCOMPARE(large->size(), QSize(41, 41));
            QCOMPARE(large->alignment(), Qt::AlignCenter);
            QCOMPARE(text("LargeIconLabel"), QStringLiteral("Large Icon: (32x32)"));
            QCOMPARE(text("IconParameterLabel"), QStringLiteral("Icon Parameters:"));
        } else {
            QCOMPARE(text("LargeIconLabel"), QStringLiteral("<absent>"));
            QCOMPARE(text("IconParameterLabel"), QStringLiteral("<absent>"));
        }
    }

    // Typing a file: the index list, the previews and what the Edit Gamelists picker
    // stores.
    void fileChange_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("large");
        QTest::addColumn<QString>("small");
        QTest::addColumn<QString>("location"); // last location stored, Edit Gamelists

        const QString c1 = color(1);
        const QString none = QStringLiteral("<none>");
        const QStringList zero{QStringLiteral("0")};
        QTest::newRow("add: program")
            << Variant::AddEntry << "three" << range(3) << c1 << c1 << none;
        QTest::newRow("edit: program") << Variant::EditGamelists << "three" << range(3) << c1 << c1
                                       << m_three + QStringLiteral(",0");
        QTest::newRow("settings: program")
            << Variant::Settings << "three" << range(3) << "absent" << c1 << none;
        QTest::newRow("add: 150 icons")
            << Variant::AddEntry << "many" << range(150) << color(1) << color(1) << none;
        QTest::newRow("settings: 150 icons")
            << Variant::Settings << "many" << range(150) << "absent" << color(1) << none;
        QTest::newRow("add: default category icon")
            << Variant::AddEntry << "DEFAULTCATICON" << QStringList() << "folder"
            << "folder" << none;
        QTest::newRow("edit: default category icon")
            << Variant::EditGamelists << "DEFAULTCATICON" << zero << "folder"
            << "folder"
            << "DEFAULTCATICON";
        QTest::newRow("settings: default category icon is a file")
            << Variant::Settings << "DEFAULTCATICON" << zero << "absent"
            << "none" << none;
        QTest::newRow("add: empty") << Variant::AddEntry << "" << zero << "none"
                                    << "none" << none;
        QTest::newRow("edit: empty") << Variant::EditGamelists << "" << zero << "none"
                                     << "none"
                                     << "";
        QTest::newRow("edit: blank") << Variant::EditGamelists << "  " << zero << "none"
                                     << "none"
                                     << "  ";
        QTest::newRow("settings: empty shows the window's icon")
            << Variant::Settings << "" << zero << "absent"
            << "window" << none;
        QTest::newRow("add: missing file") << Variant::AddEntry << "missing" << zero << "none"
                                           << "none" << none;
        QTest::newRow("edit: missing file") << Variant::EditGamelists << "missing" << zero << "none"
                                            << "none" << m_missing + QStringLiteral(",0");
    }
    void fileChange()
    {
        QFETCH(Variant, variant);
        QFETCH(QString, file);
        QFETCH(QStringList, items);
        QFETCH(QString, large);
        QFETCH(QString, small);
        QFETCH(QString, location);

        Harness h(variant);
        h.picker->setIconFileText(m_start);
        h.picker->setIndexText(QStringLiteral("2"));
        QCOMPARE(h.small(), color(3));
        h.picker->setIconFileText(fileText(file));
        QCOMPARE(h.items(), items);
        QCOMPARE(h.picker->indexText(), items.value(0));
        QCOMPARE(h.large(), large);
        QCOMPARE(h.small(), small);
        QCOMPARE(h.lastLocation(), location);
        QVERIFY(h.prompter.records.isEmpty());
    }

    // Typing an index after the program with three icons was chosen and its icon 2 shown.
    void indexChange_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("preview"); // both previews (Settings: the small one)
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("location");

        const QString none = QStringLiteral("<none>");
        const QString c3 = color(3);
        auto stored = [this](const char *index) { return m_three + u',' + QLatin1String(index); };
        const QString none2 = QStringLiteral("none");
        struct Case
        {
            const char *index;
            QString add, edit; // preview; add's empty means the error keeps icon 2 (c3)
        };
        const QList<Case> cases{
            {"1", color(2), color(2)},    {"-2", color(2), color(2)},
            {" 1", color(2), color(2)},   {"+1", color(2), color(1)},
            {"abc", QString(), color(1)}, {"1x", QString(), color(2)},
            {"", QString(), color(1)},    {"-", QString(), color(1)},
            {"7", none2, none2},          {"99999999999", QString(), none2},
        };
        for (const Case &c : cases) {
            const bool error = c.add.isEmpty();
            QTest::addRow("add: '%s'", c.index)
                << Variant::AddEntry << c.index << (error ? c3 : c.add)
                << (error ? QStringLiteral("'%1' is not a valid integer value")
                                .arg(QLatin1String(c.index))
                          : QString())
                << none;
            QTest::addRow("edit: '%s'", c.index)
                << Variant::EditGamelists << c.index << c.edit << QString() << stored(c.index);
            QTest::addRow("settings: '%s'", c.index)
                << Variant::Settings << c.index << c.edit << QString() << none;
        }
    }
    void indexChange()
    {
        QFETCH(Variant, variant);
        QFETCH(QString, index);
        QFETCH(QString, preview);
        QFETCH(QString, error);
        QFETCH(QString, location);

        Harness h(variant);
        h.picker->setIconFileText(m_three);
        h.picker->setIndexText(QStringLiteral("2"));
        QCOMPARE(h.small(), color(3));
        h.picker->setIndexText(index);
        QCOMPARE(h.picker->indexText(), index);
        QCOMPARE(h.large(), variant == Variant::Settings ? QStringLiteral("absent") : preview);
        QCOMPARE(h.small(), preview);
        QCOMPARE(h.prompter.texts(FakePrompter::Kind::Error),
                 error.isEmpty() ? QStringList() : QStringList{error});
        QCOMPARE(h.prompter.records.size(), error.isEmpty() ? 0 : 1);
        QCOMPARE(h.lastLocation(), location);
    }

    void compose_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("location");

        for (Variant v : {Variant::AddEntry, Variant::EditGamelists}) {
            const char *name = v == Variant::AddEntry ? "add" : "edit";
            QTest::addRow("%s: empty", name) << v << ""
                                             << "0"
                                             << "";
            QTest::addRow("%s: blanks kept", name) << v << "  "
                                                   << "3"
                                                   << "  ";
            QTest::addRow("%s: default category icon", name) << v << "DEFAULTCATICON"
                                                             << "0"
                                                             << "DEFAULTCATICON";
            QTest::addRow("%s: special value in lower case", name) << v << "defaultcaticon"
                                                                   << "0"
                                                                   << "defaultcaticon,0";
            QTest::addRow("%s: texts as they stand", name) << v << " game.exe "
                                                           << " 1x"
                                                           << " game.exe , 1x";
        }
        QTest::newRow("settings: empty") << Variant::Settings << ""
                                         << "5"
                                         << "";
        QTest::newRow("settings: blanks are a file") << Variant::Settings << "  "
                                                     << "3"
                                                     << "  ,3";
        QTest::newRow("settings: no special value") << Variant::Settings << "DEFAULTCATICON"
                                                    << "0"
                                                    << "DEFAULTCATICON,0";
        QTest::newRow("settings: texts as they stand") << Variant::Settings << "lib.dll"
                                                       << "-3"
                                                       << "lib.dll,-3";
    }
    void compose()
    {
        QFETCH(Variant, variant);
        QFETCH(QString, file);
        QFETCH(QString, index);
        QFETCH(QString, location);
        Harness h(variant);
        h.picker->setIconFileText(file);
        h.picker->setIndexText(index);
        QCOMPARE(h.picker->composeLocation(), location);
    }

    void showLocation_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("small");
        QTest::addColumn<QString>("stored"); // Edit Gamelists: the location written back

        const QString none = QStringLiteral("<none>");
        const QStringList zero{QStringLiteral("0")};
        const QString three = QStringLiteral("three");
        QTest::newRow("edit: empty") << Variant::EditGamelists << ""
                                     << ""
                                     << "0" << zero << "none"
                                     << "";
        QTest::newRow("edit: default category icon") << Variant::EditGamelists << "DEFAULTCATICON"
                                                     << "DEFAULTCATICON"
                                                     << "0" << zero << "folder"
                                                     << "DEFAULTCATICON";
        QTest::newRow("edit: index 2") << Variant::EditGamelists << "three,2" << three << "2"
                                       << range(3) << color(3) << "three,2";
        QTest::newRow("edit: no index gets ',0'") << Variant::EditGamelists << "three" << three
                                                  << "0" << range(3) << color(1) << "three,0";
        QTest::newRow("edit: index the file does not have")
            << Variant::EditGamelists << "three,9" << three << "9" << range(3) << "none"
            << "three,9";
        QTest::newRow("edit: index that is not a number")
            << Variant::EditGamelists << "three,abc" << three << "0" << range(3) << color(1)
            << "three,0";
        QTest::newRow("settings: empty") << Variant::Settings << ""
                                         << ""
                                         << "0" << zero << "window" << none;
        QTest::newRow("settings: default category icon is split")
            << Variant::Settings << "DEFAULTCATICON"
            << "DEFAULTCATICON"
            << "0" << zero << "none" << none;
        QTest::newRow("settings: negative index")
            << Variant::Settings << "three,-3" << three << "-3" << range(3) << color(3) << none;
        QTest::newRow("add: index 1")
            << Variant::AddEntry << "three,1" << three << "1" << range(3) << color(2) << none;
    }
    void showLocation()
    {
        QFETCH(Variant, variant);
        QFETCH(QString, location);
        QFETCH(QString, file);
        QFETCH(QString, index);
        QFETCH(QStringList, items);
        QFETCH(QString, small);
        QFETCH(QString, stored);

        auto expand = [this](QString text) {
            return text.replace(QStringLiteral("three"), m_three);
        };
        Harness h(variant);
        h.picker->showLocation(expand(location));
        QCOMPARE(h.picker->iconFileText(), expand(file));
        QCOMPARE(h.picker->indexText(), index);
        QCOMPARE(h.items(), items);
        QCOMPARE(h.small(), small);
        QCOMPARE(h.lastLocation(), expand(stored));
        QVERIFY(h.prompter.records.isEmpty());
    }

    void browse_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QString>("owner");
        QTest::newRow("add") << Variant::AddEntry << "KVAddForm";
        QTest::newRow("edit") << Variant::EditGamelists << "KVEditForm";
        QTest::newRow("settings") << Variant::Settings << "KVSettingsForm";
    }
    void browse()
    {
        QFETCH(Variant, variant);
        QFETCH(QString, owner);
        Harness h(variant);
        h.picker->setIconFileText(m_missing);

        h.prompter.fileAnswers = {QString()}; // cancelled
        QTest::mouseClick(h.window.findChild<QPushButton *>(QStringLiteral("IconFileBrowseButton")),
                          Qt::LeftButton);
        QCOMPARE(h.picker->iconFileText(), m_missing);
        QCOMPARE(h.items(), QStringList{QStringLiteral("0")});

        h.prompter.fileAnswers = {m_many};
        h.picker->IconFileBrowseButtonClick();
        QCOMPARE(h.picker->iconFileText(), m_many);
        QCOMPARE(h.items(), range(150));
        QCOMPARE(h.small(), color(1));

        QCOMPARE(h.prompter.records.size(), 2);
        for (const FakePrompter::Record &r : std::as_const(h.prompter.records)) {
            QCOMPARE(r.kind, FakePrompter::Kind::OpenFile);
            QCOMPARE(r.owner, owner);
            QCOMPARE(r.text, QStringLiteral("All Files (*);;Icons (*.ico)"));
        }
    }
};

KELVARO_TEST_MAIN(TestIconPicker)
#include "tst_iconpicker.moc"
