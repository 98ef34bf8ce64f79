#pragma once

#include <QString>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

// The test name of a case of a parameterised test, from the words that name it: letters and
// digits kept, every run of anything else one "_" ("the new datafile on a full disk" ->
// "the_new_datafile_on_a_full_disk"), so that CTest lists the case under the same readable
// name in every build. An empty name is "unnamed".
std::string caseTestName(std::string_view words);
inline std::string caseTestName(const char *words)
{
    return caseTestName(std::string_view(words));
}
inline std::string caseTestName(const std::string &words)
{
    return caseTestName(std::string_view(words));
}
inline std::string caseTestName(const QString &words)
{
    return caseTestName(words.toStdString());
}

// INSTANTIATE_TEST_SUITE_P's last argument for cases that carry a `name`.
struct ByCaseName
{
    template<class Case>
    std::string operator()(const ::testing::TestParamInfo<Case> &info) const
    {
        return caseTestName(info.param.name);
    }
};
