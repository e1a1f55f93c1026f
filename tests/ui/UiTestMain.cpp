// Runs the window test class named on the command line (one CTest case each), or all of them.

#include <QApplication>
#include <QTest>
#include <cstdio>

#include "ui/UiTestSupport.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    int failures = 0;
    bool ran = false;
    for (const auto& [name, make] : zelt::uitest::Registry()) {
        if (!only.isEmpty() && only != QString::fromStdString(name)) {
            continue;
        }
        ran = true;
        const std::unique_ptr<QObject> test = make();
        failures += QTest::qExec(test.get(), 1, argv);
    }
    if (!ran) {
        std::fprintf(stderr, "no test class %s\n", argv[1]);
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
