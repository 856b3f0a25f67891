#include "launch/ui/tform7.h"

#include "controls/dialogowner.h"
#include "controls/quickfiledialog.h"
#include "platform/drivemap.h"
#include "platform/hostname.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace dovex {

namespace {

// The platform's file dialog; a shortcut file is returned itself, never
// followed.
QString askForFile(QWidget* owner, const QString& start)
{
    const std::optional<QString> host = DriveMap::instance().toHost(start);
    QFileDialog dialog(owner);
    dialog.setFileMode(QFileDialog::ExistingFile);
    listQuickly(dialog); // a shortcut file is chosen as itself, never followed
    placeInFront(dialog, owner);
    if (host)
        dialog.selectFile(hostname::displayName(*host));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    // Only a file that lies on one of the drives can be named here.
    return DriveMap::instance().toDos(dialog.selectedFiles().first()).value_or(QString());
}

QLineEdit* lineWith(QWidget* parent, QPushButton*& browse, QHBoxLayout*& row)
{
    auto* edit = new QLineEdit(parent);
    browse = new QPushButton(QStringLiteral("Browse..."), parent);
    row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(browse);
    return edit;
}

} // namespace

TForm7::TForm7(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Config Speedbar"));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    Edit1 = new QLineEdit(this);
    QHBoxLayout* iconRow = nullptr;
    QHBoxLayout* fileRow = nullptr;
    Edit4 = lineWith(this, BrowseIcon, iconRow);
    Edit2 = lineWith(this, BrowseFile, fileRow);
    Edit3 = new QLineEdit(this);
    Edit5 = new QLineEdit(this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setEditable(true);
    ComboBox1->addItems({QString(), QStringLiteral("Open"), QStringLiteral("Print")});
    CheckBox1 = new QCheckBox(QStringLiteral("Popuplinks"), this);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn1->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Button Name:"), Edit1);
    form->addRow(QStringLiteral("Button Icon:"), iconRow);
    form->addRow(QStringLiteral("File/Dir- Name:"), fileRow);
    form->addRow(QStringLiteral("WorkDirectory:"), Edit3);
    form->addRow(QStringLiteral("Parameters:"), Edit5);
    form->addRow(QStringLiteral("Shell Action:"), ComboBox1);
    form->addRow(QString(), CheckBox1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(420);

    chooseFile = [this](const QString& start) { return askForFile(this, start); };
    connect(BitBtn1, &QPushButton::clicked, this, [this] { done(1); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { done(0); });
    connect(BrowseFile, &QPushButton::clicked, this, &TForm7::browseFile);
    connect(BrowseIcon, &QPushButton::clicked, this, &TForm7::browseIcon);
}

void TForm7::setFields(const CustomButton& b)
{
    Edit1->setText(b.Text);
    Edit4->setText(b.Icon);
    Edit2->setText(b.Command);
    Edit3->setText(b.Directory);
    Edit5->setText(b.Parameter);
    ComboBox1->setEditText(b.Action);
    CheckBox1->setChecked(b.Popup);
}

CustomButton TForm7::fields() const
{
    CustomButton b;
    b.Text = Edit1->text();
    b.Icon = Edit4->text();
    b.Command = Edit2->text();
    b.Directory = Edit3->text();
    b.Parameter = Edit5->text();
    b.Action = ComboBox1->currentText();
    b.Popup = CheckBox1->isChecked();
    b.defined = true;
    return b;
}

void TForm7::browseFile()
{
    const QString chosen = chooseFile(dospath::join(Edit3->text(), Edit2->text()));
    if (chosen.isEmpty())
        return;
    Edit2->setText(dospath::fileName(chosen));
    Edit3->setText(dospath::directoryPart(chosen));
    if (Edit4->text().isEmpty())
        Edit4->setText(chosen);
}

void TForm7::browseIcon()
{
    const QString chosen = chooseFile(Edit4->text());
    if (!chosen.isEmpty())
        Edit4->setText(chosen);
}

} // namespace dovex
