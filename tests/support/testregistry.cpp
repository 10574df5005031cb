#include "testregistry.h"

namespace brindle::test {

std::vector<TestFactory> &testRegistry() {
    static std::vector<TestFactory> registry;
    return registry;
}

int runRegisteredTests(int argc, char *argv[]) {
    int failed = 0;
    for (const auto &factory : testRegistry()) {
        const auto object = factory();
        if (QTest::qExec(object.get(), argc, argv) != 0)
            ++failed;
    }
    return failed;
}

} // namespace brindle::test
