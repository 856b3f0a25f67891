#include "fileops/ui/messageprompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <utility>
#include <vector>

namespace dovex {

namespace {

std::vector<std::pair<Answer, QMessageBox::StandardButton>> buttonsOf(Buttons buttons)
{
    using B = QMessageBox;
    switch (buttons) {
    case Buttons::Ok: return {{Answer::Ok, B::Ok}};
    case Buttons::OkCancel: return {{Answer::Ok, B::Ok}, {Answer::Cancel, B::Cancel}};
    case Buttons::YesNo: return {{Answer::Yes, B::Yes}, {Answer::No, B::No}};
    case Buttons::YesNoCancel:
        return {{Answer::Yes, B::Yes}, {Answer::No, B::No}, {Answer::Cancel, B::Cancel}};
    case Buttons::YesNoAll:
        return {{Answer::Yes, B::Yes}, {Answer::No, B::No}, {Answer::All, B::YesToAll}};
    case Buttons::YesNoAllCancel:
        return {{Answer::Yes, B::Yes}, {Answer::No, B::No}, {Answer::All, B::YesToAll},
                {Answer::Cancel, B::Cancel}};
    case Buttons::AbortRetry: return {{Answer::Abort, B::Abort}, {Answer::Retry, B::Retry}};
    }
    return {{Answer::Ok, B::Ok}};
}

QMessageBox::Icon iconOf(Severity severity)
{
    switch (severity) {
    case Severity::Warning: return QMessageBox::Warning;
    case Severity::Error: return QMessageBox::Critical;
    case Severity::Question: return QMessageBox::Question;
    case Severity::Information: break;
    }
    return QMessageBox::Information;
}

} // namespace

Answer MessagePrompter::ask(Severity severity, const QString& text, Buttons buttons,
                            const QString& caption)
{
    QString shown = text;
    shown.replace('\r', '\n');
    QMessageBox box(iconOf(severity),
                    caption.isEmpty() ? QApplication::applicationDisplayName() : caption, shown,
                    QMessageBox::NoButton, m_parent);
    const auto map = buttonsOf(buttons);
    for (const auto& [answer, button] : map) {
        QPushButton* b = box.addButton(button);
        if (answer == Answer::All)
            b->setText(QStringLiteral("All"));
    }
    box.setDefaultButton(map.front().second);
    const int result = box.exec();
    for (const auto& [answer, button] : map)
        if (result == button)
            return answer;
    // Closed without a button (Escape): the safe answer.
    for (const auto& [answer, button] : map)
        if (answer == Answer::No || answer == Answer::Cancel || answer == Answer::Abort)
            return answer;
    return map.front().first;
}

} // namespace dovex
