// main() of every test executable: runs each QtTest class the executable registered.
#include "testregistry.h"

#ifdef BRINDLE_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char *argv[]) {
    TestApplication app(argc, argv);
    return brindle::test::runRegisteredTests(argc, argv);
}
