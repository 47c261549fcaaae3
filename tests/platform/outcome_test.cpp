#include "platform/outcome.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>

namespace zel::platform {
namespace {

Result<int> HalfOf(int number) {
    if (number % 2 != 0) {
        return Error{ErrorCode::kInvalidInput, std::to_string(number) + " is odd"};
    }
    return number / 2;
}

Result<void> CheckPositive(int number) {
    if (number <= 0) {
        return Error{ErrorCode::kInvalidInput, "not positive"};
    }
    return Ok();
}

TEST(Result, CarriesTheValueOrTheReason) {
    const Result<int> half = HalfOf(8);
    ASSERT_TRUE(half.ok());
    EXPECT_EQ(*half, 4);

    const Result<int> odd = HalfOf(7);
    ASSERT_FALSE(odd.ok());
    EXPECT_EQ(odd.error(), (Error{ErrorCode::kInvalidInput, "7 is odd"}));

    EXPECT_EQ(HalfOf(8).value_or(-1), 4);
    EXPECT_EQ(HalfOf(7).value_or(-1), -1);
}

TEST(Result, VoidResultIsOkOrCarriesTheReason) {
    EXPECT_TRUE(CheckPositive(3).ok());
    const Result<void> refused = CheckPositive(0);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().code, ErrorCode::kInvalidInput);
    EXPECT_EQ(refused.error().message, "not positive");
}

TEST(Result, HoldsMoveOnlyValuesAndStringsWithoutConfusingThemWithErrors) {
    Result<std::unique_ptr<int>> owned = std::make_unique<int>(5);
    ASSERT_TRUE(owned.ok());
    const std::unique_ptr<int> taken = std::move(owned).value();
    EXPECT_EQ(*taken, 5);

    // A string value stays a value: only an Error makes a failed Result.
    const Result<std::string> text = std::string("no mouse found");
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(text->size(), 14u);
}

// Code written for an "optional error text" tested truth for failure; a Result must not
// silently accept that test with the opposite meaning.
static_assert(!std::is_convertible_v<Result<void>, bool>);
static_assert(!std::is_constructible_v<bool, Result<void>>);
static_assert(!std::is_constructible_v<bool, Result<int>>);

}  // namespace
}  // namespace zel::platform
