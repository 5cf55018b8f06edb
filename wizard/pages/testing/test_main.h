// The wizard's test program holds several Qt Test classes. Each registers
// itself; main() runs the class that has the test function named on the
// command line (CTest runs one function per process), or every class.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace sl::wizard::testing {

using TestClassFactory = std::function<std::unique_ptr<QObject>()>;

// Adds a test class; returns its number (for a static initializer).
int RegisterTestClass(TestClassFactory factory);

}  // namespace sl::wizard::testing

#define SL_WIZARD_TEST_CLASS(Class)                                                         \
    static const int sl_registered_##Class = ::sl::wizard::testing::RegisterTestClass(     \
        [] { return std::unique_ptr<QObject>(new Class); })
