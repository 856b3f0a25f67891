#include "fileops/ui/tform5.h"

#include "fileops/fieldform.h"
#include "platform/dosattr.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace dovex {

namespace {

FieldForm dateForm()
{
    return dateFieldForm(QLocale::system().dateFormat(QLocale::ShortFormat));
}

FieldForm timeForm()
{
    return timeFieldForm(QLocale::system().timeFormat(QLocale::LongFormat));
}

} // namespace

QString TForm5::dateFormat()
{
    return dateForm().format;
}

QString TForm5::timeFormat()
{
    return timeForm().format;
}

TForm5::TForm5(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("File Properties"));
    Label3 = new QLabel(QStringLiteral("Enter attributes:"), this);
    makeAttributeGroup();
    makeDateTimeGroup();

    CheckBox5 = new QCheckBox(QStringLiteral("Include Subdirs"), this);
    CheckBox5->setChecked(true);
    // A single ampersand would make the next letter a mnemonic.
    DateTime = new QCheckBox(QStringLiteral("Set Date && Time"), this);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn1->setDefault(true);
    layoutForm();

    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(DateTime, &QCheckBox::toggled, this, &TForm5::DateTimeClick);
    DateTimeClick();
}

void TForm5::makeAttributeGroup()
{
    GroupBox1 = new QGroupBox(QStringLiteral("Attributes"), this);
    CheckBox1 = new QCheckBox(QStringLiteral("System"), GroupBox1);
    CheckBox2 = new QCheckBox(QStringLiteral("Hidden"), GroupBox1);
    CheckBox3 = new QCheckBox(QStringLiteral("Read Only"), GroupBox1);
    CheckBox4 = new QCheckBox(QStringLiteral("Achive"), GroupBox1);
    auto* attrs = new QVBoxLayout(GroupBox1);
    for (QCheckBox* b : boxes())
        attrs->addWidget(b);
}

void TForm5::makeDateTimeGroup()
{
    GroupBox2 = new QGroupBox(QStringLiteral("Date && Time"), this);
    Label1 = new QLabel(QStringLiteral("Date"), GroupBox2);
    Label2 = new QLabel(QStringLiteral("Time"), GroupBox2);
    MaskEdit1 = new QLineEdit(GroupBox2);
    MaskEdit2 = new QLineEdit(GroupBox2);
    const FieldForm date = dateForm();
    const FieldForm time = timeForm();
    MaskEdit1->setInputMask(date.mask + QStringLiteral("; "));
    MaskEdit2->setInputMask(time.mask + QStringLiteral("; "));
    // Wide enough for the mask's characters in the field's own font.
    const QFontMetrics fm(MaskEdit1->font());
    MaskEdit1->setMinimumWidth(fm.horizontalAdvance(QString(date.format.size() + 3, '0')));
    MaskEdit2->setMinimumWidth(fm.horizontalAdvance(QString(time.format.size() + 3, '0')));
    Label1->setBuddy(MaskEdit1);
    Label2->setBuddy(MaskEdit2);
    auto* when = new QGridLayout(GroupBox2);
    when->addWidget(Label1, 0, 0);
    when->addWidget(MaskEdit1, 0, 1);
    when->addWidget(Label2, 1, 0);
    when->addWidget(MaskEdit2, 1, 1);
    when->setRowStretch(2, 1);
}

// The two groups side by side, the two boxes below them, then the buttons.
void TForm5::layoutForm()
{
    auto* groups = new QHBoxLayout;
    groups->addWidget(GroupBox1);
    groups->addWidget(GroupBox2);
    auto* options = new QHBoxLayout;
    options->addWidget(CheckBox5);
    options->addWidget(DateTime);
    options->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label3);
    layout->addLayout(groups);
    layout->addLayout(options);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::array<QCheckBox*, 4> TForm5::boxes() const
{
    return {CheckBox1, CheckBox2, CheckBox3, CheckBox4};
}

void TForm5::DateTimeClick()
{
    const bool on = DateTime->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(MaskEdit1), static_cast<QWidget*>(MaskEdit2),
                       static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2)})
        w->setEnabled(on);
}

void TForm5::setDateTime(const QDateTime& when)
{
    const QLocale locale = QLocale::system();
    MaskEdit1->setText(locale.toString(when.date(), dateFormat()));
    MaskEdit2->setText(locale.toString(when.time(), timeFormat()));
}

void TForm5::prefillSingle(std::uint32_t attributes, const QDateTime& modified)
{
    const std::uint32_t bits[4] = {faSysFile, faHidden, faReadOnly, faArchive};
    const auto b = boxes();
    for (int k = 0; k < 4; ++k) {
        b[size_t(k)]->setTristate(false);
        b[size_t(k)]->setCheckState((attributes & bits[k]) ? Qt::Checked : Qt::Unchecked);
    }
    setDateTime(modified.isValid() ? modified : QDateTime::currentDateTime());
}

void TForm5::prefillSeveral(const QDateTime& now)
{
    for (QCheckBox* b : boxes()) {
        b->setTristate(true);
        b->setCheckState(Qt::PartiallyChecked);
    }
    setDateTime(now);
}

QString TForm5::dateTimeText() const
{
    return MaskEdit1->text() + QLatin1Char(' ') + MaskEdit2->text();
}

std::optional<std::uint32_t> TForm5::typedDosDate() const
{
    const QLocale locale = QLocale::system();
    const QString dateText = MaskEdit1->text().trimmed();
    const QString timeText = MaskEdit2->text().trimmed();
    QDate date = locale.toDate(dateText, dateFormat());
    const QTime time = locale.toTime(timeText, timeFormat());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    // A two-digit year from 80 is in the 1900s, below 80 in the 2000s, as
    // for the packed file time, which begins in 1980.
    if (!dateFormat().contains(QLatin1String("yyyy")) && date.year() < 1980)
        date = date.addYears(100);
    return DosDateFrom(QDateTime(date, time));
}

AttributeRequest TForm5::request() const
{
    auto state = [](const QCheckBox* b) {
        switch (b->checkState()) {
        case Qt::Checked:
            return TriState::Set;
        case Qt::Unchecked:
            return TriState::Clear;
        default:
            return TriState::Keep;
        }
    };
    AttributeRequest r;
    SetMasksFrom(r, state(CheckBox1), state(CheckBox2), state(CheckBox3), state(CheckBox4));
    r.includeSubdirs = CheckBox5->isChecked();
    r.setTime = DateTime->isChecked();
    return r;
}

} // namespace dovex
