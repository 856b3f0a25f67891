#include "archive/ui/tform10.h"

#include "archive/discovery.h"
#include "archive/ops/archiveoperations.h"
#include "fileops/ui/tform2.h"
#include "platform/drivemap.h"
#include "platform/locations.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace dovex {

namespace {

constexpr int kWidth = 452;
constexpr int kHeight = 272;
constexpr int kRow = 21;

// A radio button of the method group, placed in its column and row.
QRadioButton* methodButton(QGroupBox* group, const QString& name, const QString& caption,
                           int column, int row)
{
    auto* b = new QRadioButton(caption, group);
    b->setObjectName(name);
    b->setGeometry(12 + column * 145, 20 + row * kRow, 138, 19);
    return b;
}

// A check box of the options group.
QCheckBox* optionBox(QGroupBox* group, const QString& name, const QString& caption,
                     const QRect& place)
{
    auto* b = new QCheckBox(caption, group);
    b->setObjectName(name);
    b->setGeometry(place);
    return b;
}

} // namespace

TForm10::TForm10(Prompter& prompter, ArchiveProgress& progress, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_prompter(prompter), m_progress(progress)
{
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("Compression Tools"));
    setModal(true);
    layoutControls();
    FormCreate();
}

TForm10::~TForm10() = default;

void TForm10::layoutControls()
{
    setFixedSize(kWidth, kHeight);
    layoutMethods();
    layoutOptions();

    Label1 = new QLabel(QStringLiteral("Compress to :"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(10, 206, 92, 20);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(104, 204, kWidth - 104 - 8, 23);

    layoutButtons();
}

void TForm10::layoutMethods()
{
    GroupBox1 = new QGroupBox(QStringLiteral("Method"), this);
    GroupBox1->setGeometry(8, 6, kWidth - 16, 112);
    RadioButton2 = methodButton(GroupBox1, QStringLiteral("RadioButton2"),
                                QStringLiteral("Zip (internal)"), 0, 0);
    RadioButton1 =
        methodButton(GroupBox1, QStringLiteral("RadioButton1"), QStringLiteral("Pkzip"), 0, 1);
    RadioButton3 =
        methodButton(GroupBox1, QStringLiteral("RadioButton3"), QStringLiteral("MsCompress"), 0, 2);
    RadioButton4 = methodButton(GroupBox1, QStringLiteral("RadioButton4"), QString(), 0, 3);
    RadioButton4->hide();
    RadioButton2->setChecked(true);
    for (int slot = 1; slot <= 7; ++slot) {
        // Slots 1 to 4 fill the middle column, 5 to 7 the right one.
        const int column = slot <= 4 ? 1 : 2;
        const int row = slot <= 4 ? slot - 1 : slot - 5;
        QRadioButton* b = methodButton(
            GroupBox1,
            (slot == 7 ? QStringLiteral("custom%1") : QStringLiteral("Custom%1")).arg(slot),
            QStringLiteral("Custom"), column, row);
        b->setProperty("Tag", slot);
        b->hide();
        Custom[size_t(slot - 1)] = b;
    }
    for (QRadioButton* b : methodButtons())
        connect(b, &QRadioButton::clicked, this, &TForm10::MethodClick);
}

void TForm10::layoutOptions()
{
    GroupBox2 = new QGroupBox(QStringLiteral("Options"), this);
    GroupBox2->setGeometry(8, 124, kWidth - 16, 70);
    CheckBox1 = optionBox(GroupBox2, QStringLiteral("CheckBox1"),
                          QStringLiteral("Include subdirectory's"), {12, 20, 200, 19});
    CheckBox1->setChecked(true);
    CheckBox2 = optionBox(GroupBox2, QStringLiteral("CheckBox2"),
                          QStringLiteral("Create 1.44 mb Files (Arj only)"), {12, 42, 228, 19});
    CheckBox2->setEnabled(false);
    CheckBox4 = optionBox(GroupBox2, QStringLiteral("CheckBox4"),
                          QStringLiteral("Compress All files."), {246, 20, 176, 19});
    CheckBox3 = optionBox(GroupBox2, QStringLiteral("CheckBox3"), QStringLiteral("Password."),
                          {246, 42, 86, 19});
    Edit2 = new QLineEdit(GroupBox2);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(334, 40, kWidth - 16 - 334 - 10, 22);
    Edit2->setEchoMode(QLineEdit::Password);
}

void TForm10::layoutButtons()
{
    BitBtn3 = new QPushButton(QStringLiteral("Seek..."), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setToolTip(QStringLiteral("Seek Compression Tools..."));
    BitBtn3->setGeometry(8, kHeight - 35, 84, 27);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(kWidth - 8 - 2 * 84 - 8, kHeight - 35, 84, 27);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(kWidth - 8 - 84, kHeight - 35, 84, 27);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm10::BitBtn3Click);
}

void TForm10::FormCreate()
{
    m_tools = LoadArchiverTools();
    for (int slot = 1; slot <= 7; ++slot) {
        const ArchiverTool& t = m_tools[size_t(slot - 1)];
        if (!t.present())
            continue;
        Custom[size_t(slot - 1)]->setText(t.naam);
        Custom[size_t(slot - 1)]->setVisible(true);
    }
}

QList<QRadioButton*> TForm10::methodButtons() const
{
    QList<QRadioButton*> all{RadioButton2, RadioButton1, RadioButton3, RadioButton4};
    for (QRadioButton* b : Custom)
        all << b;
    return all;
}

bool TForm10::on(const QCheckBox* box)
{
    return box->isChecked() && box->isEnabled() && !box->isHidden();
}

void TForm10::checkMethod(QRadioButton* button)
{
    if (button->isChecked())
        return;
    button->setChecked(true);
    MethodClick();
}

CompressMethod TForm10::checkedMethod(int* slot) const
{
    *slot = 0;
    if (RadioButton1->isChecked())
        return CompressMethod::Pkzip;
    if (RadioButton3->isChecked())
        return CompressMethod::MsCompress;
    if (RadioButton4->isChecked())
        return CompressMethod::Library;
    for (int s = 1; s <= 7; ++s) {
        if (Custom[size_t(s - 1)]->isChecked()) {
            *slot = Custom[size_t(s - 1)]->property("Tag").toInt();
            return CompressMethod::Custom;
        }
    }
    return CompressMethod::ZipInternal;
}

void TForm10::MethodClick()
{
    int slot = 0;
    const CompressMethod method = checkedMethod(&slot);
    const MethodOptions o = dovex::MethodClick(method, slot ? &m_tools[size_t(slot - 1)] : nullptr);
    CheckBox2->setEnabled(o.volumes);
    CheckBox3->setEnabled(o.password);
    CheckBox1->setEnabled(o.subdirectories);
    if (o.compressAll)
        CheckBox4->setEnabled(true);
    Edit2->setEnabled(CheckBox3->isEnabled());
    showPasswordHint();
    Edit1->setEnabled(true);
    // In decompress mode the target is a directory already.
    Edit1->setText(o.targetDirectoryOnly && !m_decompress ? dospath::directoryPart(m_targetText)
                                                          : m_targetText);
}

void TForm10::prepareCompress(const PanelEntries& entries, int cursor,
                              const QString& sourceDirectory, const QString& otherDirectory)
{
    m_decompress = false;
    setWindowTitle(QStringLiteral("Compression Tools"));
    for (QRadioButton* b : methodButtons())
        b->setEnabled(true);
    CheckBox1->setChecked(true);
    CheckBox2->setText(QStringLiteral("compress to 1.44 mb Files"));
    CheckBox3->setEnabled(false);
    CheckBox4->setVisible(true);
    CheckBox4->setEnabled(true);
    RadioButton4->hide(); // nothing is written in those kinds
    Label1->setText(QStringLiteral("compress to:"));
    m_sourceDirectory = WithSlashWhenLong(sourceDirectory);
    m_selection = CompressionSelection(entries, cursor, sourceDirectory);
    m_targetText = WithSlashWhenLong(otherDirectory) + m_selection.baseName;
    Edit1->setText(m_targetText);
    checkMethod(RadioButton2);
    MethodClick();
}

void TForm10::prepareDecompress(const QString& archivePath, const QString& targetDirectory)
{
    m_decompress = true;
    m_archive = archivePath;
    m_targetText = targetDirectory;
    setWindowTitle(QStringLiteral("Decompress ") + dospath::fileName(archivePath));
    Label1->setText(QStringLiteral("Decompress:"));
    CheckBox2->setText(QStringLiteral("Decompress From 1.44 mb Files"));
    CheckBox4->setVisible(false);
    // No button may stay checked: an exclusive group keeps one unless told.
    for (QRadioButton* b : methodButtons()) {
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setEnabled(false);
        b->setAutoExclusive(true);
    }
    const DecompressMode mode = DecompressModeFor(archivePath, m_tools);
    RadioButton2->setEnabled(mode.zipEnabled);
    RadioButton1->setEnabled(mode.pkzipEnabled);
    const bool library = mode.method == CompressMethod::Library;
    RadioButton4->setText(ArchiveMethodName(mode.libraryKind) + QStringLiteral(" (internal)"));
    RadioButton4->setVisible(library);
    if (mode.method) {
        QRadioButton* b = *mode.method == CompressMethod::ZipInternal  ? RadioButton2
                          : *mode.method == CompressMethod::Pkzip      ? RadioButton1
                          : *mode.method == CompressMethod::MsCompress ? RadioButton3
                          : library                                    ? RadioButton4
                                    : Custom[size_t(mode.slot - 1)];
        b->setChecked(true);
        if (mode.slot || library)
            b->setEnabled(true);
    }
    const std::pair<QCheckBox*, OptionBox> boxes[] = {
        {CheckBox1, mode.subdirectories}, {CheckBox2, mode.volumes}, {CheckBox3, mode.password}};
    for (const auto& [box, state] : boxes) {
        box->setEnabled(state.enabled);
        if (!state.enabled)
            box->setChecked(false);
    }
    if (mode.subdirectories.checked)
        CheckBox1->setChecked(true);
    if (mode.method == CompressMethod::MsCompress) {
        CheckBox4->setChecked(false);
        CheckBox4->setEnabled(false);
    }
    Edit2->setEnabled(CheckBox3->isEnabled());
    showPasswordHint();
    Edit1->setEnabled(true);
    Edit1->setText(targetDirectory);
}

void TForm10::showPasswordHint()
{
    int slot = 0;
    const CompressMethod method = checkedMethod(&slot);
    const QString hint =
        PasswordHint(method, slot ? &m_tools[size_t(slot - 1)] : nullptr, m_decompress);
    CheckBox3->setToolTip(hint);
    Edit2->setToolTip(hint);
}

std::optional<CompressionOutcome> TForm10::Update(const PanelEntries& entries, int cursor,
                                                  const QString& sourceDirectory,
                                                  const QString& otherDirectory)
{
    prepareCompress(entries, cursor, sourceDirectory, otherDirectory);
    Edit1->setFocus();
    Edit1->selectAll();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return BitBtn1Click();
}

std::optional<CompressionOutcome> TForm10::Decompress(const QString& archivePath,
                                                      const QString& targetDirectory)
{
    prepareDecompress(archivePath, targetDirectory);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return BitBtn1Click();
}

CompressRequest TForm10::compressRequest() const
{
    CompressRequest r;
    r.method = checkedMethod(&r.slot);
    r.subdirectories = on(CheckBox1);
    r.volumes = on(CheckBox2);
    r.password = on(CheckBox3);
    r.passwordText = Edit2->text();
    r.compressAll = on(CheckBox4);
    r.target = Edit1->text().trimmed();
    r.sourceDirectory = m_sourceDirectory;
    r.items = m_selection.items;
    return r;
}

ExtractRequest TForm10::extractRequest() const
{
    ExtractRequest r;
    r.method = checkedMethod(&r.slot);
    r.subdirectories = on(CheckBox1);
    r.volumes = on(CheckBox2);
    r.password = on(CheckBox3);
    r.passwordText = Edit2->text();
    r.archive = m_archive;
    r.target = Edit1->text().trimmed();
    r.programDirectory = r.target;
    return r;
}

CompressionOutcome TForm10::BitBtn1Click()
{
    if (m_decompress) {
        // Nothing fits an archive no method was found for.
        bool any = false;
        for (QRadioButton* b : methodButtons())
            any = any || b->isChecked();
        if (!any)
            return {};
        return RunExtraction(extractRequest(), m_tools, m_prompter, m_progress);
    }
    return RunCompression(compressRequest(), m_tools, m_prompter, m_progress);
}

void TForm10::BitBtn3Click()
{
    ArchiverDiscovery discovery(m_prompter, programDirectory());
    discovery.installing = [this](const QString& sourceLine) {
        if (!m_copyWindow)
            m_copyWindow = new TForm2(this);
        m_copyWindow->beginOperation(QStringLiteral("Copying..."), TAnimationType::atCopyFile);
        m_copyWindow->setLabels(sourceLine, QString());
        m_copyWindow->repaint();
    };
    discovery.SearchArchivers();
    if (m_copyWindow && m_copyWindow->isVisible())
        m_copyWindow->endOperation();
}

} // namespace dovex
