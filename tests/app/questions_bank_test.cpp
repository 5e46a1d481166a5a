// The built-in question bank: 108 questions whose texts and answers fit their fields
// and the panel, in plain ASCII, with four distinct answers and the right one spread
// over all four places.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "app/quiz.h"

namespace {

// Bytes the font draws as glyphs: printable ASCII.
bool Printable(const char* s) {
    for (; *s; ++s)
        if (static_cast<unsigned char>(*s) < 32 || static_cast<unsigned char>(*s) > 126) return false;
    return true;
}

// True when a field holds a terminated string and zero bytes after it.
template <std::size_t N>
bool TerminatedAndPadded(const char (&field)[N]) {
    const void* end = std::memchr(field, 0, N);
    if (end == nullptr) return false;
    for (std::size_t i = static_cast<const char*>(end) - field; i < N; ++i)
        if (field[i] != 0) return false;
    return true;
}

class QuestionBank : public ::testing::Test {
protected:
    void SetUp() override {
        questions.clear();
        GenQuestions();
    }
    void TearDown() override { questions.clear(); }
};

TEST_F(QuestionBank, HoldsOneHundredEightQuestionsAndGenAppends) {
    ASSERT_EQ(questions.size(), 108u);
    GenQuestions();
    ASSERT_EQ(questions.size(), 216u);
    EXPECT_STREQ(questions[108].text, questions[0].text) << "a second call appends the same bank";
}

TEST_F(QuestionBank, TextsAndAnswersFitTheirFieldsAndThePanel) {
    // The question box breaks every 43 to 44 characters at size 10: 120 characters take
    // three lines, well above the answer buttons. An answer at size 8 advances 8.2 units
    // a character; 24 characters, centred, keep their glyphs' ink (the middle half of
    // each 16-unit square) inside the 210-unit button.
    const float kAdvance = 1.025f * 8.0f;
    for (std::size_t k = 0; k < questions.size(); ++k) {
        const Question& q = questions[k];
        SCOPED_TRACE("question " + std::to_string(k) + ": " + q.text);
        ASSERT_TRUE(TerminatedAndPadded(q.text));
        EXPECT_GT(std::strlen(q.text), 10u);
        EXPECT_LE(std::strlen(q.text), 120u);
        EXPECT_TRUE(Printable(q.text));
        std::set<std::string> distinct;
        for (const auto& a : q.answ) {
            ASSERT_TRUE(TerminatedAndPadded(a));
            std::size_t n = std::strlen(a);
            EXPECT_GE(n, 1u);
            EXPECT_LE(n, 24u);
            EXPECT_TRUE(Printable(a));
            float half_ink = kAdvance * n / 2.0f - 4.0f + 8.0f;  // pen start to last glyph's ink
            EXPECT_LT(half_ink, 105.0f) << a;
            distinct.insert(a);
        }
        EXPECT_EQ(distinct.size(), 4u) << "four different answers";
        EXPECT_GE(q.solve, 0);
        EXPECT_LE(q.solve, 3);
    }
}

TEST_F(QuestionBank, RightAnswerSpreadOverAllFourPlaces) {
    int at[4] = {};
    for (const Question& q : questions)
        if (q.solve >= 0 && q.solve <= 3) ++at[q.solve];
    for (int i = 0; i < 4; ++i) {
        EXPECT_GE(at[i], 20) << "place " << i;
        EXPECT_LE(at[i], 34) << "place " << i;
    }
}

TEST_F(QuestionBank, QuestionsAreDistinctAndAboutHalfAreSentencesToComplete) {
    std::set<std::string> texts;
    int to_complete = 0;
    for (const Question& q : questions) {
        texts.insert(q.text);
        std::size_t n = std::strlen(q.text);
        if (n >= 3 && std::strcmp(q.text + n - 3, "...") == 0)
            ++to_complete;
        else
            EXPECT_EQ(q.text[n - 1], '?') << q.text << ": a question ends in '?' or '...'";
    }
    EXPECT_EQ(texts.size(), questions.size());
    EXPECT_GE(to_complete, 44);
    EXPECT_LE(to_complete, 64);
}

}  // namespace
