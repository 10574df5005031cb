/**
 * @file
 * Lets one test executable hold several QtTest classes: each file adds its class with
 * BRINDLE_REGISTER_TEST(Class) and the executable's main() calls runRegisteredTests().
 */
#pragma once

#include <QObject>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

namespace brindle::test {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

std::vector<TestFactory> &testRegistry();

/// Runs every registered class; the result is the number of classes that had failures.
int runRegisteredTests(int argc, char *argv[]);

struct TestRegistration {
    explicit TestRegistration(TestFactory factory) { testRegistry().push_back(std::move(factory)); }
};

} // namespace brindle::test

#define BRINDLE_REGISTER_TEST(Class)                                                               \
    static const brindle::test::TestRegistration registration##Class {                             \
        [] { return std::unique_ptr<QObject>(new Class); }                                         \
    }
