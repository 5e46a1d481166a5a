// The quiz panel without a window: the Question record, the judgement and its sounds,
// the click rules of the panel's buttons, and the answer colours.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/quiz.h"
#include "engine/input.h"

namespace {

// A draw() stand-in that hands out a fixed value and counts its calls.
int g_draw_value = 0;
int g_draw_calls = 0;
int FixedDraw() {
    ++g_draw_calls;
    return g_draw_value;
}
int RealDraw() { return std::rand(); }

std::string Sound(const QuizReaction& r) { return r.sound ? r.sound : ""; }

TEST(QuizQuestion, ConstructorCopiesFieldsAndZeroesTheRest) {
    Question q("Domanda?", "uno", "due", "tre", "quattro", 2);
    EXPECT_STREQ(q.text, "Domanda?");
    EXPECT_STREQ(q.answ[0], "uno");
    EXPECT_STREQ(q.answ[3], "quattro");
    EXPECT_EQ(q.solve, 2);
    for (std::size_t i = std::strlen(q.text); i < sizeof q.text; ++i) ASSERT_EQ(q.text[i], 0) << i;
    for (std::size_t i = std::strlen(q.answ[1]); i < sizeof q.answ[1]; ++i) ASSERT_EQ(q.answ[1][i], 0) << i;

    q.Reset();
    EXPECT_EQ(q.solve, 0);
    for (char c : q.text) ASSERT_EQ(c, 0);
    for (auto& a : q.answ)
        for (char c : a) ASSERT_EQ(c, 0);
}

TEST(QuizQuestion, OverlongTextsAreCutInsideTheirFields) {
    std::string long_text(700, 'x');
    std::string long_answer(300, 'y');
    Question q(long_text.c_str(), long_answer.c_str(), "b", "c", "d", 1);
    EXPECT_EQ(std::strlen(q.text), sizeof q.text - 1);
    EXPECT_EQ(std::strlen(q.answ[0]), sizeof q.answ[0] - 1);
    EXPECT_STREQ(q.answ[1], "b");  // the cut answer did not run into its neighbour
    EXPECT_EQ(q.solve, 1);
}

TEST(QuizJudgement, RightAnswerPlaysTheRightSoundOnlyWithSoundOn) {
    g_draw_calls = 0;
    QuizReaction on = JudgeAnswer(2, 2, true, FixedDraw);
    EXPECT_EQ(Sound(on), "Data/right.wav");
    EXPECT_FALSE(on.laugh);
    QuizReaction off = JudgeAnswer(2, 2, false, FixedDraw);
    EXPECT_EQ(off.sound, nullptr);
    EXPECT_FALSE(off.laugh);
    EXPECT_EQ(g_draw_calls, 0) << "a right answer draws no random number";
}

TEST(QuizJudgement, WrongAnswerDrawModFourPicksLaughOrWrongSound) {
    const char* expected[4] = {"", "Data/wrong_1.wav", "Data/wrong_2.wav", "Data/wrong_3.wav"};
    for (int v = 0; v < 12; ++v) {
        g_draw_value = v;
        g_draw_calls = 0;
        QuizReaction r = JudgeAnswer(0, 3, true, FixedDraw);
        EXPECT_EQ(g_draw_calls, 1);
        EXPECT_EQ(r.laugh, v % 4 == 0) << v;
        EXPECT_EQ(Sound(r), expected[v % 4]) << v;
    }
    // A large rand() value (as RAND_MAX can be) still lands on the right branch.
    g_draw_value = 2147483647;  // mod 4 is 3
    EXPECT_EQ(Sound(JudgeAnswer(1, 0, true, FixedDraw)), "Data/wrong_3.wav");
}

TEST(QuizJudgement, SoundOffSilencesWrongSoundsButNotTheLaugh) {
    for (int v = 0; v < 4; ++v) {
        g_draw_value = v;
        QuizReaction r = JudgeAnswer(1, 2, false, FixedDraw);
        EXPECT_EQ(r.sound, nullptr) << v;
        EXPECT_EQ(r.laugh, v == 0) << v;
    }
}

TEST(QuizJudgement, ManyWrongAnswersSpreadOverTheFourReactionsEvenly) {
    std::srand(12345);
    int laughs = 0, w1 = 0, w2 = 0, w3 = 0;
    const int n = 8000;
    for (int i = 0; i < n; ++i) {
        QuizReaction r = JudgeAnswer(0, 1, true, RealDraw);
        std::string s = Sound(r);
        if (r.laugh) ++laughs;
        if (s == "Data/wrong_1.wav") ++w1;
        if (s == "Data/wrong_2.wav") ++w2;
        if (s == "Data/wrong_3.wav") ++w3;
    }
    EXPECT_EQ(laughs + w1 + w2 + w3, n);
    for (int count : {laughs, w1, w2, w3}) {
        EXPECT_GT(count, n / 4 - 300);
        EXPECT_LT(count, n / 4 + 300);
    }
}

TEST(QuizPanelRules, FirstPickSticksAndCloseJudgesIt) {
    QuizPanel p;
    g_draw_value = 1;
    g_draw_calls = 0;
    QuizStep s = UpdateQuizPanel(p, QuizClicks{false, 2}, 0, true, FixedDraw);
    EXPECT_FALSE(s.close);
    EXPECT_EQ(p.user_answer, 2);
    s = UpdateQuizPanel(p, QuizClicks{false, 0}, 0, true, FixedDraw);
    EXPECT_EQ(p.user_answer, 2) << "an answer cannot be changed once picked";
    s = UpdateQuizPanel(p, QuizClicks{}, 0, true, FixedDraw);
    EXPECT_EQ(p.user_answer, 2) << "a frame without clicks keeps the pick";
    EXPECT_EQ(g_draw_calls, 0) << "nothing is judged before the panel closes";

    s = UpdateQuizPanel(p, QuizClicks{true, -1}, 0, true, FixedDraw);
    EXPECT_TRUE(s.close);
    EXPECT_EQ(Sound(s.reaction), "Data/wrong_1.wav");
    EXPECT_EQ(p.user_answer, -1) << "closing forgets the pick";
}

TEST(QuizPanelRules, ClosingWithoutAPickJudgesNothing) {
    QuizPanel p;
    g_draw_calls = 0;
    QuizStep s = UpdateQuizPanel(p, QuizClicks{true, -1}, 1, true, FixedDraw);
    EXPECT_TRUE(s.close);
    EXPECT_EQ(s.reaction.sound, nullptr);
    EXPECT_FALSE(s.reaction.laugh);
    EXPECT_EQ(g_draw_calls, 0);
    EXPECT_EQ(p.user_answer, -1);
}

TEST(QuizPanelRules, RightPickClosedWithSoundOffPlaysNothing) {
    QuizPanel p;
    UpdateQuizPanel(p, QuizClicks{false, 3}, 3, false, FixedDraw);
    QuizStep s = UpdateQuizPanel(p, QuizClicks{true, -1}, 3, false, FixedDraw);
    EXPECT_TRUE(s.close);
    EXPECT_EQ(s.reaction.sound, nullptr);
    EXPECT_FALSE(s.reaction.laugh);
}

TEST(QuizPanelRules, AnswerIndexOutsideTheFourIsIgnored) {
    QuizPanel p;
    UpdateQuizPanel(p, QuizClicks{false, 4}, 0, true, FixedDraw);
    EXPECT_EQ(p.user_answer, -1);
    UpdateQuizPanel(p, QuizClicks{false, -7}, 0, true, FixedDraw);
    EXPECT_EQ(p.user_answer, -1);
}

TEST(QuizAnswerColours, NoneBeforeAPickRightGreenWrongPickRed) {
    for (int i = 0; i < 4; ++i) EXPECT_EQ(AnswerColourOf(i, -1, 2), AnswerColour::White);
    // Right pick: green on it, no red anywhere.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(AnswerColourOf(i, 2, 2), i == 2 ? AnswerColour::Green : AnswerColour::White) << i;
    // Wrong pick: red on the pick, green on the right one, the rest white.
    EXPECT_EQ(AnswerColourOf(0, 0, 2), AnswerColour::Red);
    EXPECT_EQ(AnswerColourOf(2, 0, 2), AnswerColour::Green);
    EXPECT_EQ(AnswerColourOf(1, 0, 2), AnswerColour::White);
    EXPECT_EQ(AnswerColourOf(3, 0, 2), AnswerColour::White);
}

// With a 512 by 512 window a pixel is a GUI unit, y flipped.
void PointAt(float gx, float gy, bool press) {
    touch_coord_x = gx;
    touch_coord_y = 512.0f - gy;
    single_touch = press;
}

class QuizClickTest : public ::testing::Test {
protected:
    void SetUp() override { SetWindowSizeOverride(512, 512); }
    void TearDown() override {
        single_touch = false;
        SetWindowSizeOverride(-1, -1);
    }
};

TEST_F(QuizClickTest, EachAnswerButtonAnswersWithItsIndex) {
    const float cx[4] = {138, 374, 138, 374};
    const float cy[4] = {110, 110, 52, 52};
    for (int i = 0; i < 4; ++i) {
        PointAt(cx[i], cy[i], true);
        QuizClicks c = ReadQuizClicks();
        EXPECT_EQ(c.answer, i);
        EXPECT_FALSE(c.close);
        // Just inside the corners (half-size 105 by 20, edges are outside).
        PointAt(cx[i] - 104, cy[i] + 19, true);
        EXPECT_EQ(ReadQuizClicks().answer, i);
        PointAt(cx[i] + 105, cy[i], true);
        EXPECT_NE(ReadQuizClicks().answer, i) << "the right edge is outside";
    }
}

TEST_F(QuizClickTest, CloseButtonTabsAndBackgroundClicks) {
    PointAt(485, 486, true);
    QuizClicks c = ReadQuizClicks();
    EXPECT_TRUE(c.close);
    EXPECT_EQ(c.answer, -1);

    for (float tab_x : {87.0f, 243.5f, 391.5f}) {
        PointAt(tab_x, 486, true);
        c = ReadQuizClicks();
        EXPECT_FALSE(c.close) << tab_x;
        EXPECT_EQ(c.answer, -1) << tab_x;
    }
    PointAt(256, 300, true);  // over the question text
    c = ReadQuizClicks();
    EXPECT_FALSE(c.close);
    EXPECT_EQ(c.answer, -1);
}

TEST_F(QuizClickTest, HoverWithoutPressClicksNothing) {
    PointAt(138, 110, false);
    EXPECT_EQ(ReadQuizClicks().answer, -1);
    PointAt(485, 486, false);
    EXPECT_FALSE(ReadQuizClicks().close);
}

TEST(QuizPick, PickIsRandModBankSizeAndCoversTheBank) {
    EXPECT_EQ(PickQuestion(0u, 108), 0);
    EXPECT_EQ(PickQuestion(107u, 108), 107);
    EXPECT_EQ(PickQuestion(108u, 108), 0);
    EXPECT_EQ(PickQuestion(4294967295u, 108), static_cast<int>(4294967295u % 108u));
    EXPECT_EQ(PickQuestion(55u, 0), 0) << "an empty bank never divides by zero";

    questions.clear();
    GenQuestions();
    std::srand(7);
    bool seen[108] = {};
    for (int i = 0; i < 20000; ++i) {
        int id = PickQuestion();
        ASSERT_GE(id, 0);
        ASSERT_LT(id, 108);
        seen[id] = true;
    }
    for (int i = 0; i < 108; ++i) EXPECT_TRUE(seen[i]) << "question " << i << " never picked";
    questions.clear();
}

}  // namespace
