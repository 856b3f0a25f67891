#ifdef QT_WIDGETS_LIB
#include <QApplication>
#else
#include <QCoreApplication>
#endif

#include <gtest/gtest.h>

// Every test program runs with a Qt application object, so that engine and
// window tests alike find one; the platform is offscreen (set by CTest).
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QCoreApplication* app = nullptr;
#ifdef QT_WIDGETS_LIB
    app = new QApplication(argc, argv);
#else
    app = new QCoreApplication(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    delete app;
    return rc;
}
