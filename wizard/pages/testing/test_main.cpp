#include "wizard/pages/testing/test_main.h"

#include <QApplication>
#include <QMetaObject>
#include <QtTest>
#include <cstdio>
#include <string>
#include <vector>

#include "wizard/pages/testing/wizard_fixture.h"
#include "wizard/pages/visible_indicators.h"

namespace sl::wizard::testing {
namespace {

std::vector<TestClassFactory>& Classes() {
    static std::vector<TestClassFactory> classes;
    return classes;
}

bool HasTestFunction(const QObject& test, const char* name) {
    const QByteArray signature = QMetaObject::normalizedSignature(QByteArray(name) + "()");
    return test.metaObject()->indexOfMethod(signature.constData()) >= 0;
}

}  // namespace

int RegisterTestClass(TestClassFactory factory) {
    Classes().push_back(std::move(factory));
    return static_cast<int>(Classes().size());
}

}  // namespace sl::wizard::testing

int main(int argc, char** argv) {
    using namespace sl::wizard::testing;
    if (argc > 1 && std::string(argv[1]) == "--kernel-run") return KernelRunChildMain(argc, argv);
    QApplication application(argc, argv);
    sl::wizard::UseVisibleIndicators();  // as the program does
    const bool named = argc > 1 && argv[1][0] != '-';
    int failures = 0;
    bool found = false;
    for (const TestClassFactory& factory : Classes()) {
        std::unique_ptr<QObject> test = factory();
        if (named && !HasTestFunction(*test, argv[1])) continue;
        found = true;
        failures += QTest::qExec(test.get(), argc, argv);
    }
    if (named && !found) {
        std::fprintf(stderr, "no test function %s\n", argv[1]);
        return 1;
    }
    return failures;
}
