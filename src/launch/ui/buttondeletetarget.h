#pragma once

#include <QObject>

class QWidget;

namespace dovex {

class CustomButtonBar;

// A custom button dragged onto a panel list is deleted: installed on the
// list's viewport, whose child it becomes.
class ButtonDeleteTarget : public QObject {
public:
    ButtonDeleteTarget(QWidget* viewport, CustomButtonBar* bar);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CustomButtonBar* m_bar;
};

} // namespace dovex
