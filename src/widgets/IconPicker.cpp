#include "widgets/IconPicker.h"

#include "catalogue/EntryIcons.h"
#include "catalogue/PathHelpers.h"
#include "catalogue/StockIcons.h"
#include "platform/IconExtractor.h"
#include "platform/KelvaroError.h"
#include "platform/Prompter.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <limits>
#include <optional>

namespace {

constexpr int PreviewSide = 41;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Optional blanks, an optional minus sign and the decimal digits that follow; the
// rest is ignored, and a text without digits gives 0. Out-of-range values saturate.
int lenientInteger(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text.at(i)))
        ++i;
    const bool negative = i < text.size() && text.at(i) == u'-';
    if (negative)
        ++i;
    const qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 value = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i)
        value = std::min(value * 10 + (text.at(i).unicode() - u'0'), limit);
    if (negative)
        return int(-value);
    return int(std::min<qint64>(value, std::numeric_limits<int>::max()));
}

// Optional blanks, an optional sign and decimal digits, nothing else, within range.
std::optional<int> strictInteger(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text.at(i)))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        if (text.at(i) < u'0' || text.at(i) > u'9')
            return std::nullopt;
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

QLabel *makePreview(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setFixedSize(PreviewSide, PreviewSide);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::StyledPanel);
    return label;
}

} // namespace

// Nothing raised in a handler may cross the event loop: it is shown like any error a
// handler did not expect.
template <typename Handler> void IconPicker::guarded(Handler handler)
{
    try {
        handler();
    } catch (const KelvaroError &error) {
        m_prompter.showError(error.message());
    } catch (const std::exception &error) {
        m_prompter.showError(QString::fromLocal8Bit(error.what()));
    }
}

IconPicker::IconPicker(Variant variant, Prompter &prompter, QWidget *parent, IconSource *source)
    : QWidget(parent), m_variant(variant), m_prompter(prompter),
      m_source(source ? *source : IconExtractor::shared())
{
    const bool listEditor = variant != Variant::Settings;

    m_iconLabel = new QLabel(
        listEditor ? tr("Icon File:") : tr("Notification Area Icon (clear to use default):"), this);
    m_iconLabel->setObjectName(QStringLiteral("IconLabel"));
    m_iconEdit = new QLineEdit(this);
    m_iconEdit->setObjectName(QStringLiteral("IconEdit"));
    m_iconLabel->setBuddy(m_iconEdit);
    m_browseButton = new QPushButton(QStringLiteral("..."), this);
    m_browseButton->setObjectName(QStringLiteral("IconFileBrowseButton"));
    m_browseButton->setFixedWidth(
        m_browseButton->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 20);

    m_parameterPanel = new QFrame(this);
    m_parameterPanel->setObjectName(QStringLiteral("IconParameterPanel"));
    auto *indexLabel = new QLabel(tr("Icon Index:"), m_parameterPanel);
    indexLabel->setObjectName(QStringLiteral("IconIndexLabel"));
    m_indexCombo = new QComboBox(m_parameterPanel);
    m_indexCombo->setObjectName(QStringLiteral("IconIndexCombo"));
    m_indexCombo->setEditable(true);
    m_indexCombo->setInsertPolicy(QComboBox::NoInsert);
    m_indexCombo->addItem(QStringLiteral("0"));
    indexLabel->setBuddy(m_indexCombo);
    m_smallImage = makePreview(QStringLiteral("SmallIconImage"), m_parameterPanel);
    auto *smallLabel = new QLabel(tr("Small Icon: (16x16)"), m_parameterPanel);
    smallLabel->setObjectName(QStringLiteral("SmallIconLabel"));

    auto *panelLayout = new QGridLayout(m_parameterPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    int row = 0;
    if (listEditor) {
        auto *heading = new QLabel(tr("Icon Parameters:"), m_parameterPanel);
        heading->setObjectName(QStringLiteral("IconParameterLabel"));
        panelLayout->addWidget(heading, row++, 0, 1, 3);
    }
    panelLayout->addWidget(indexLabel, row, 0);
    panelLayout->addWidget(m_indexCombo, row++, 1, 1, 2);
    if (listEditor) {
        m_largeImage = makePreview(QStringLiteral("LargeIconImage"), m_parameterPanel);
        auto *largeLabel = new QLabel(tr("Large Icon: (32x32)"), m_parameterPanel);
        largeLabel->setObjectName(QStringLiteral("LargeIconLabel"));
        panelLayout->addWidget(largeLabel, row, 0);
        panelLayout->addWidget(m_largeImage, row++, 1);
    }
    panelLayout->addWidget(smallLabel, row, 0);
    panelLayout->addWidget(m_smallImage, row++, 1);
    panelLayout->setColumnStretch(2, 1);

    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_iconEdit, 1);
    fileRow->addWidget(m_browseButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_iconLabel);
    layout->addLayout(fileRow);
    layout->addWidget(m_parameterPanel);
    layout->addStretch(1);

    connect(m_browseButton, &QPushButton::clicked, this,
            [this] { guarded([this] { IconFileBrowseButtonClick(); }); });
    connect(m_iconEdit, &QLineEdit::textChanged, this,
            [this] { guarded([this] { IconEditChange(); }); });
    connect(m_indexCombo, &QComboBox::editTextChanged, this,
            [this] { guarded([this] { IconIndexComboChange(); }); });
}

void IconPicker::setMainWindowIcon(const QIcon &icon)
{
    m_mainWindowIcon = icon;
}

QString IconPicker::iconFileText() const
{
    return m_iconEdit->text();
}

QString IconPicker::indexText() const
{
    return m_indexCombo->currentText();
}

void IconPicker::setIconFileText(const QString &text)
{
    m_iconEdit->setText(text);
}

void IconPicker::setIndexText(const QString &text)
{
    m_indexCombo->setEditText(text);
}

QString IconPicker::composeLocation() const
{
    const QString file = iconFileText();
    if (m_variant == Variant::Settings)
        return file.isEmpty() ? QString() : file + u',' + indexText();
    if (file.trimmed().isEmpty() || file == DefaultCategoryIconLocation)
        return file;
    return file + u',' + indexText();
}

void IconPicker::showLocation(const QString &location)
{
    QString file = location;
    QString index = QStringLiteral("0");
    const bool keepWhole = location.isEmpty() || (m_variant == Variant::EditGamelists &&
                                                  location == DefaultCategoryIconLocation);
    if (!keepWhole)
        index = QString::number(ParseIconLocation(file));
    {
        const QSignalBlocker blocker(m_iconEdit);
        m_iconEdit->setText(file);
    }
    IconEditChange();
    {
        const QSignalBlocker blocker(m_indexCombo);
        m_indexCombo->setEditText(index);
    }
    IconIndexComboChange();
}

void IconPicker::IconFileBrowseButtonClick()
{
    const QString chosen =
        m_prompter.openFile(window(), QString(), QStringLiteral("All Files (*);;Icons (*.ico)"));
    if (chosen.isEmpty())
        return;
    if (chosen == m_iconEdit->text())
        IconEditChange(); // the same file again: it may have changed on disk
    else
        m_iconEdit->setText(chosen); // its change event runs IconEditChange
}

void IconPicker::IconEditChange()
{
    const QString file = iconFileText();
    {
        const QSignalBlocker blocker(m_indexCombo);
        m_indexCombo->clear();
        m_indexCombo->setEditText(QString());
        if (!(m_variant == Variant::AddEntry && file == DefaultCategoryIconLocation)) {
            const int count = std::max(m_source.iconCount(file), 1);
            QStringList items;
            items.reserve(count);
            for (int i = 0; i < count; ++i)
                items.append(QString::number(i));
            m_indexCombo->addItems(items);
            m_indexCombo->setCurrentIndex(0);
        }
    }
    IconIndexComboChange();
}

bool IconPicker::indexValue(int &index)
{
    const QString text = indexText();
    if (m_variant != Variant::AddEntry) {
        index = lenientInteger(text);
        return true;
    }
    const std::optional<int> value = strictInteger(text);
    if (!value) {
        m_prompter.showError(QStringLiteral("'%1' is not a valid integer value").arg(text));
        return false;
    }
    index = *value;
    return true;
}

void IconPicker::IconIndexComboChange()
{
    const QString file = iconFileText();
    if (m_variant != Variant::Settings && file == DefaultCategoryIconLocation) {
        showPreview(m_largeImage, DefaultCategoryIcon(32));
        showPreview(m_smallImage, DefaultCategoryIcon(16));
    } else if (m_variant == Variant::Settings && file.isEmpty()) {
        showPreview(m_smallImage, m_mainWindowIcon.pixmap(QSize(16, 16)).toImage());
    } else {
        int index = 0;
        if (!indexValue(index))
            return; // the previews stay as they were
        const ExtractedIcon icon = m_source.extractIcon(file, index);
        showPreview(m_largeImage, icon.image32);
        showPreview(m_smallImage, icon.image16);
    }
    if (m_variant == Variant::EditGamelists)
        Q_EMIT locationChanged(composeLocation());
}

void IconPicker::showPreview(QLabel *label, const QImage &image)
{
    if (!label)
        return;
    if (image.isNull())
        label->clear();
    else
        label->setPixmap(QPixmap::fromImage(image));
}
