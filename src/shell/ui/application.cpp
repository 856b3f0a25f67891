#include "shell/ui/application.h"

#include <QApplication>

namespace dovex {

int runApplication(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dovex 1.3 32-Bit"));
    return 0;
}

} // namespace dovex
