#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

// Every test program gets a private runtime directory, so no test ever meets
// a driver that a person started, nor leaves one where a person would look.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarvolent-test-XXXXXX";
    if (!mkdtemp(pattern.data())) return 2;
    setenv("BOREALIX_RUNTIME_DIR", pattern.c_str(), 1);
    return RUN_ALL_TESTS();
}
