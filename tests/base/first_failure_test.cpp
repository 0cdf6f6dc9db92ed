#include "base/first_failure.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace felmo {
namespace {

TEST(FirstFailure, RunsEveryStepAndThrowsTheFirstRefusalAfterThem) {
    FirstFailure writes;
    std::vector<int> ran;
    writes.attempt([&] { ran.push_back(1); });
    writes.attempt([&] {
        ran.push_back(2);
        throw Error("first refused");
    });
    writes.attempt([&] {
        ran.push_back(3);
        throw Error("second refused");
    });
    writes.attempt([&] { ran.push_back(4); });
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4}));
    try {
        writes.rethrow();
        FAIL() << "no failure reported";
    } catch (const Error& failure) {
        EXPECT_STREQ(failure.what(), "first refused");
    }
}

TEST(FirstFailure, NothingRefusedThrowsNothing) {
    FirstFailure writes;
    writes.attempt([] {});
    EXPECT_NO_THROW(writes.rethrow());
}

TEST(FirstFailure, OtherExceptionsAreNotHeldBack) {
    FirstFailure writes;
    bool later = false;
    EXPECT_THROW(writes.attempt([] { throw std::logic_error("bug"); }), std::logic_error);
    writes.attempt([&] { later = true; });
    EXPECT_TRUE(later);
    EXPECT_NO_THROW(writes.rethrow());
}

}  // namespace
}  // namespace felmo
