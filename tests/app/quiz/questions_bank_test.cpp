// The built-in question bank: 108 questions whose texts and answers fit their fields
// and the panel in plain ASCII, with the right answer spread over all four places.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "app/quiz/quiz.h"

namespace {

// A terminated string of `min` to `max` printable ASCII characters.
template <std::size_t N>
bool Fits(const char (&field)[N], std::size_t min, std::size_t max) {
    const std::size_t n = strnlen(field, N);
    for (std::size_t i = 0; i < n; ++i)
        if (static_cast<unsigned char>(field[i]) < 32 || static_cast<unsigned char>(field[i]) > 126) return false;
    return n < N && n >= min && n <= max;
}

TEST(QuestionBank, HoldsOneHundredEightQuestionsThatFitAndSpreadTheRightAnswer) {
    questions.clear();
    GenQuestions();
    ASSERT_EQ(questions.size(), 108u);
    int at[4] = {};
    std::set<std::string> texts;
    for (const Question& q : questions) {
        SCOPED_TRACE(q.text);
        EXPECT_TRUE(Fits(q.text, 11, 120));  // three lines of the question box
        std::set<std::string> answers;
        for (const auto& a : q.answ) {
            EXPECT_TRUE(Fits(a, 1, 24)) << a;  // an answer button at size 8
            answers.insert(a);
        }
        EXPECT_EQ(answers.size(), 4u);
        ASSERT_GE(q.solve, 0);
        ASSERT_LE(q.solve, 3);
        ++at[q.solve];
        texts.insert(q.text);
    }
    EXPECT_EQ(texts.size(), 108u);
    for (int n : at) EXPECT_TRUE(n >= 20 && n <= 34) << n;
    questions.clear();

    // Texts too long for their fields are cut inside them, the terminator kept.
    const Question q(std::string(700, 'x').c_str(), std::string(300, 'y').c_str(), "b", "c", "d", 1);
    EXPECT_EQ(std::strlen(q.text), sizeof q.text - 1);
    EXPECT_EQ(std::strlen(q.answ[0]), sizeof q.answ[0] - 1);
    EXPECT_STREQ(q.answ[1], "b");
}

}  // namespace
