#include "fileops/ui/tform3.h"

#include "controls/dialogowner.h"
#include "controls/quickfiledialog.h"
#include "fileops/ui/messageprompter.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace dovex {

TForm3::TForm3(QWidget* parent) : QDialog(parent)
{
    Label1 = new QLabel(this);
    Edit1 = new QLineEdit(this);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setText(QStringLiteral("..."));
    SpeedButton1->setToolTip(QStringLiteral("Browse"));
    CheckBox1 = new QCheckBox(QStringLiteral("Include Subdirectory's"), this);
    CheckBox1->setChecked(true);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn3 = new QPushButton(QStringLiteral("&Compress"), this);
    // Shown and enabled by a command that has something behind it.
    BitBtn3->setEnabled(false);
    BitBtn1->setDefault(true);

    auto* destination = new QHBoxLayout;
    destination->addWidget(Edit1, 1);
    destination->addWidget(SpeedButton1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(destination);
    layout->addWidget(CheckBox1);
    layout->addLayout(buttons);
    setMinimumWidth(380);

    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn3, &QPushButton::clicked, this, [this] { done(CompressResult); });
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm3::SpeedButton1Click);
}

void TForm3::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    BitBtn1->setFocus();
    if (!Edit1->isHidden()) {
        Edit1->setFocus();
        Edit1->selectAll();
    }
    if (focusOnShow) {
        focusOnShow->setFocus();
        focusOnShow = nullptr;
    }
}

void TForm3::SpeedButton1Click()
{
    Edit1->setText(BrowseForDirectory(this, Edit1->text()));
}

QString BrowseForDirectory(QWidget* owner, const QString& defaultPath)
{
    const std::optional<QString> start = DriveMap::instance().toHost(defaultPath);
    QFileDialog dialog(owner, QStringLiteral("Browse For Directory"),
                       start ? hostname::displayName(*start) : QString());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    listQuickly(dialog);
    placeInFront(dialog, owner);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return defaultPath;
    // Only a folder that lies on one of the drives, and whose name came
    // through the dialog intact, can be written here.
    const std::optional<QString> dos = DriveMap::instance().toDos(dialog.selectedFiles().first());
    if (!dos || !fileio::status(*dos, true).directory) {
        MessagePrompter(owner).error(QStringLiteral("An error has Occured"));
        return defaultPath;
    }
    return *dos;
}

} // namespace dovex
