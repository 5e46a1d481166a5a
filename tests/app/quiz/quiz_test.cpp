// The quiz without a window: the question bank, the panel's clicks and judgement, the
// question pick, and the offer's sound and time-out.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/quiz/quiz.h"
#include "app/quiz/quiz_offer.h"
#include "engine/input.h"

// What the build does not check: every question and every answer of a question
// distinct, the right answer 27 times in each place. The question picked from a rand()
// value: unsigned, never dividing by an empty bank.
TEST(QuestionBank, DistinctQuestionsAndAnswersTheRightOneSpreadEvenlyAnUnsignedPick) {
    questions.clear(), GenQuestions();
    std::set<std::string> texts;
    int at[4] = {};
    for (const Question& q : questions) {
        texts.insert(q.text), ++at[q.solve];
        EXPECT_EQ(std::set<std::string>(std::begin(q.answ), std::end(q.answ)).size(), 4u) << q.text;
    }
    EXPECT_EQ(texts.size(), questions.size());
    for (int n : at) EXPECT_EQ(n, 27);
    EXPECT_TRUE(PickQuestion(UINT_MAX, 108) == 75 && PickQuestion(55, 0) == 0);
}

// A draw() stand-in handing out a chosen value and counting its calls.
int g_draw = 0, g_draws = 0;
int FixedDraw() { return ++g_draws, g_draw; }

// One panel from opening to close: the answers clicked in turn (outside the four ignored,
// the first pick sticks), then close. Right: its sound. Wrong: draw() mod 4 picks the
// laugh (0) or a wrong sound, drawn only then. Sounds follow the switch, the laugh does
// not; closing with no pick judges nothing. The pick is forgotten at close.
TEST(QuizPanel, FirstPickSticksAndACloseJudgesIt) {
    const struct { std::vector<int> clicks; int solve; bool sfx; int draw; bool laugh; const char* sound; int draws; }
        rows[] = {{{2}, 2, false, 0, false, "", 0}, {{0}, 3, true, 0, true, "", 1}, {{1}, 2, false, 4, true, "", 1},
        {{-7, 0, 3}, 3, true, 1, false, "Data/wrong_1.wav", 1}, {{0}, 3, true, INT_MAX, false, "Data/wrong_3.wav", 1},
        {{4, 0}, 0, true, 0, false, "Data/right.wav", 0}, {{0}, 3, true, 6, false, "Data/wrong_2.wav", 1},
        {{1}, 2, false, 3, false, "", 1}, {{}, 2, true, 0, false, "", 0}};
    for (const auto& r : rows) {
        QuizPanel p;
        g_draw = r.draw, g_draws = 0;
        for (int answer : r.clicks) EXPECT_FALSE(UpdateQuizPanel(p, {false, answer}, r.solve, r.sfx, FixedDraw).close);
        const QuizStep s = UpdateQuizPanel(p, {true, -1}, r.solve, r.sfx, FixedDraw);
        EXPECT_TRUE(s.close && p.user_answer == -1 && s.reaction.laugh == r.laugh && g_draws == r.draws) << &r - rows;
        EXPECT_STREQ(s.reaction.sound ? s.reaction.sound : "", r.sound) << &r - rows;
    }
}

// GUI points pressed or hovered and the button they hit: the answers (half-size 105 by
// 20, right edge outside), the close button; the tabs react to nothing.
TEST(QuizPanel, ButtonsAreHitOnlyInsideTheirAreasWhilePressed) {
    SetWindowSizeOverride(512, 512);  // a pixel per GUI unit, y flipped
    const struct { float x, y; bool press, close; int answer; } rows[] = {
        {374, 110, true, false, 1}, {138, 52, true, false, 2}, {34, 129, true, false, 0}, {243, 110, true, false, -1},
        {485, 486, true, true, -1}, {87, 486, true, false, -1}, {138, 110, false, false, -1}};
    for (const auto& r : rows) {
        touch_coord_x = r.x, touch_coord_y = 512 - r.y, single_touch = r.press;
        const QuizClicks c = ReadQuizClicks();
        EXPECT_TRUE(c.close == r.close && c.answer == r.answer) << r.x << "," << r.y << " " << r.press;
    }
    single_touch = false, SetWindowSizeOverride(-1, -1);
}

// Steps of an offer: its sound once at the start and only with sound on, withdrawn in
// the first step past 20 s; a panel that lowers it resets both for the next offer.
TEST(QuizOffer, SoundOnceAtTheStartWithdrawnAfterTwentySecondsOrByAPanel) {
    QuizOfferState o;
    struct { float dt; bool sfx, offer, sound, still_offered; } rows[] = {
        {1, true, true, true, true}, {19, true, true, false, true}, {1, true, true, false, false},
        {1, true, false, false, false}, {15, false, true, false, true}, {1, true, true, false, true},
        {1, true, false, false, false}, {19, true, true, true, true}, {1.5f, true, true, false, false}};
    for (const auto& r : rows) {
        bool spawn = r.offer;
        EXPECT_EQ(OfferSoundAndTimeout(o, r.dt, r.sfx, spawn), r.sound) << r.dt;
        EXPECT_EQ(spawn, r.still_offered) << r.dt;
    }
}

