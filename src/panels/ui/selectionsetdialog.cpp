#include "panels/ui/selectionsetdialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

namespace dovex {

TForm8::TForm8(QWidget* parent)
    : QDialog(parent), m_prompt(new QLabel(this)), m_edit(new QLineEdit(this)),
      m_ok(new QPushButton(tr("OK"), this)), m_cancel(new QPushButton(tr("Cancel"), this))
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Selectionset"));
    m_edit->setObjectName(QStringLiteral("Edit1"));
    m_ok->setObjectName(QStringLiteral("OKBtn"));
    m_cancel->setObjectName(QStringLiteral("CancelBtn"));
    m_ok->setDefault(true);
    m_ok->setAutoDefault(true);
    m_cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_edit);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_edit->setMinimumWidth(220);
}

void TForm8::setText(const QString& text)
{
    m_edit->setText(text);
}

QString TForm8::text() const
{
    return m_edit->text();
}

std::optional<QString> TForm8::ask(const QString& caption, const QString& text)
{
    setWindowTitle(caption);
    m_prompt->setText(caption);
    setText(text);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return this->text();
}

void TForm8::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    m_edit->setFocus(Qt::OtherFocusReason);
    m_edit->selectAll();
}

bool TForm8::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        m_edit->setFocus(Qt::ActiveWindowFocusReason);
    return QDialog::event(event);
}

} // namespace dovex
