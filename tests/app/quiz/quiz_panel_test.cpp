// The quiz panel without a window: the judgement and its sounds, the click rules of the
// panel, the buttons' hit areas, the answer colours and the question pick.
#include <gtest/gtest.h>

#include <string>

#include "app/quiz/quiz.h"
#include "engine/input.h"

namespace {

// A draw() stand-in handing out a chosen value and counting its calls.
int g_draw = 0, g_draws = 0;
int FixedDraw() {
    ++g_draws;
    return g_draw;
}
std::string Sound(const QuizReaction& r) { return r.sound ? r.sound : ""; }

TEST(QuizJudgement, RightSoundOrDrawModFourPicksLaughOrWrongSoundWithTheSoundSwitch) {
    const struct { int pick, solve; bool sfx; int draw; bool laugh; const char* sound; int draws; } cases[] = {
        {2, 2, true, 0, false, "Data/right.wav", 0},  // a right answer draws nothing
        {2, 2, false, 0, false, "", 0},
        {0, 3, true, 0, true, "", 1},
        {0, 3, true, 1, false, "Data/wrong_1.wav", 1},
        {0, 3, true, 6, false, "Data/wrong_2.wav", 1},
        {0, 3, true, 2147483647, false, "Data/wrong_3.wav", 1},
        {1, 2, false, 4, true, "", 1},  // the laugh's own sound follows the switch in the scene
        {1, 2, false, 3, false, "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "pick " << c.pick << " sfx " << c.sfx << " draw " << c.draw);
        g_draw = c.draw;
        g_draws = 0;
        const QuizReaction r = JudgeAnswer(c.pick, c.solve, c.sfx, FixedDraw);
        EXPECT_EQ(r.laugh, c.laugh);
        EXPECT_EQ(Sound(r), c.sound);
        EXPECT_EQ(g_draws, c.draws);
    }
}

TEST(QuizPanelRules, FirstPickSticksAndOnlyACloseAfterAPickJudges) {
    QuizPanel p;
    g_draw = 1;
    g_draws = 0;
    for (int answer : {4, -7, 2, 0, -1}) {  // outside the four ignored, then the first pick sticks
        EXPECT_FALSE(UpdateQuizPanel(p, QuizClicks{false, answer}, 0, true, FixedDraw).close);
    }
    EXPECT_EQ(p.user_answer, 2);
    EXPECT_EQ(g_draws, 0);
    QuizStep s = UpdateQuizPanel(p, QuizClicks{true, -1}, 0, true, FixedDraw);
    EXPECT_TRUE(s.close);
    EXPECT_EQ(Sound(s.reaction), "Data/wrong_1.wav");
    EXPECT_EQ(p.user_answer, -1);
    s = UpdateQuizPanel(p, QuizClicks{true, -1}, 0, true, FixedDraw);
    EXPECT_TRUE(s.close);
    EXPECT_EQ(s.reaction.sound, nullptr);
    EXPECT_FALSE(s.reaction.laugh);
    EXPECT_EQ(g_draws, 1);
}

TEST(QuizPanelRules, ButtonsAreHitOnlyInsideTheirAreasWhilePressed) {
    SetWindowSizeOverride(512, 512);  // a pixel per GUI unit, y flipped
    const struct { float x, y; bool press, close; int answer; } cases[] = {
        {138, 110, true, false, 0}, {374, 110, true, false, 1}, {138, 52, true, false, 2},
        {374, 52, true, false, 3}, {34, 129, true, false, 0},  // just inside a corner (half-size 105 x 20)
        {243, 110, true, false, -1},                            // the right edge is outside
        {485, 486, true, true, -1}, {87, 486, true, false, -1}, {391.5f, 486, true, false, -1},  // tabs are inert
        {256, 300, true, false, -1}, {138, 110, false, false, -1}, {485, 486, false, false, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y << (c.press ? " pressed" : " hovered"));
        touch_coord_x = c.x;
        touch_coord_y = 512 - c.y;
        single_touch = c.press;
        const QuizClicks clicks = ReadQuizClicks();
        EXPECT_EQ(clicks.close, c.close);
        EXPECT_EQ(clicks.answer, c.answer);
    }
    single_touch = false;
    SetWindowSizeOverride(-1, -1);
}

TEST(QuizPanelRules, ColoursAfterAPickAndThePickOfAQuestion) {
    using C = AnswerColour;
    const struct { int pick; C colour[4]; } cases[] = {
        {-1, {C::White, C::White, C::White, C::White}},
        {2, {C::White, C::White, C::Green, C::White}},
        {0, {C::Red, C::White, C::Green, C::White}},
    };
    for (const auto& c : cases)
        for (int i = 0; i < 4; ++i) EXPECT_EQ(AnswerColourOf(i, c.pick, 2), c.colour[i]) << c.pick << " " << i;

    EXPECT_EQ(PickQuestion(107u, 108), 107);
    EXPECT_EQ(PickQuestion(108u, 108), 0);
    EXPECT_EQ(PickQuestion(4294967295u, 108), int(4294967295u % 108u));
    EXPECT_EQ(PickQuestion(55u, 0), 0);  // an empty bank never divides by zero
}

}  // namespace
