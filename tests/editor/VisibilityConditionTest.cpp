#include "oxVisibilityCondition.h"

#include <gtest/gtest.h>

#include <map>

namespace {

std::optional<double> inputs(const QString& identifier)
{
    static const std::map<QString, double> values{{"pattern", 2}, {"roughness", 0.35}, {"seed", 0}};
    const auto v = values.find(identifier);
    return v == values.end() ? std::nullopt : std::optional<double>(v->second);
}

} // namespace

// A condition that does not read (none) keeps its input visible.
TEST(VisibilityConditionTest, ReadsComparisonsOfInputsWithNumbersAndLogic)
{
    const std::pair<const char*, std::optional<bool>> cases[] = {
        {"input['pattern'] != 2", false},
        {"input[\"pattern\"] == 2", true},
        {"input['roughness'] < 0.5 && input['pattern'] >= 2", true},
        {"input['roughness'] > 0.5 || input['pattern'] <= 1", false},
        {"!(input['pattern'] == 2)", false},
        {"!input['seed']", true},
        {"input['roughness']", true},
        {"true && !false", true},
        {"-2 < -1 == 1", true}, // a comparison gives 1 or 0, read from the left
        {"  ( input['pattern']!=1 )  ", true},
        {"input['unknown'] == 1", std::nullopt},
        {"input['pattern'] == ", std::nullopt},
        {"input['pattern'] + 1 == 3", std::nullopt},
        {"input['pattern' == 2", std::nullopt},
        {"(1 == 1", std::nullopt},
        {"input.pattern == 2", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [condition, value] : cases)
    {
        EXPECT_EQ(oxEvaluateCondition(condition, inputs), value) << condition;
        EXPECT_EQ(oxIsVisible(condition, inputs), value.value_or(true)) << condition;
    }
}
