// The quiz panel drawn for real (GLUT window on the test display): picking an answer
// colours it in the same frame, the close button ends the panel and forgets the pick.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "app/frame.h"
#include "app/quiz.h"
#include "app/views.h"
#include "audio/audio_engine.h"
#include "engine/input.h"
#include "engine/textures.h"
#include "gl_context.h"

namespace {

struct Counts {
    int red = 0;
    int green = 0;
};

// Strongly red and strongly green pixels inside a GUI rectangle of the back buffer.
Counts CountColours(float gx0, float gy0, float gx1, float gy1) {
    int x0 = testing_gl::GuiToPixelX(gx0), x1 = testing_gl::GuiToPixelX(gx1);
    int y0 = testing_gl::GuiToPixelY(gy0), y1 = testing_gl::GuiToPixelY(gy1);
    std::vector<unsigned char> px(static_cast<size_t>((x1 - x0) * (y1 - y0) * 4));
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x0, y0, x1 - x0, y1 - y0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    Counts c;
    for (size_t i = 0; i + 3 < px.size(); i += 4) {
        int r = px[i], g = px[i + 1], b = px[i + 2];
        if (r > 180 && g < 70 && b < 70) ++c.red;
        if (g > 180 && r < 70 && b < 70) ++c.green;
    }
    return c;
}

// The strip of answer i's text (centred at x 138 or 374, baseline 101 or 43, size 8).
Counts AnswerText(int i) {
    const float cx = (i % 2 == 0) ? 138.0f : 374.0f;
    const float y = (i < 2) ? 101.0f : 43.0f;
    return CountColours(cx - 60, y, cx + 60, y + 16);
}

// Clicks (or just points at) a GUI point of the 300 by 300 test window, then draws a frame.
void Frame(float gx, float gy, bool press) {
    touch_coord_x = gx * 300.0f / 512.0f;
    touch_coord_y = (512.0f - gy) * 300.0f / 512.0f;
    single_touch = press;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    DrawQuiz();
    single_touch = false;
}

class QuizDraw : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing_gl::EnsureContext()) GTEST_SKIP() << "no X display for GL";
        static bool loaded = false;
        if (!loaded) {
            LoadAllTextures();
            loaded = true;
        }
        questions.clear();
        questions.emplace_back("Quale risposta e' giusta?", "MMMMMMMM", "WWWWWWWW", "HHHHHHHH", "NNNNNNNN", 1);
        question_id = 0;
        quiz_panel = QuizPanel{};
        menu_case_id = 3;
        enable_sfx = false;
        spawn_laugh = false;
    }
    void TearDown() override {
        questions.clear();
        menu_case_id = -1;
        enable_sfx = true;
        spawn_laugh = false;
    }
};

TEST_F(QuizDraw, WrongPickShowsRedAndTheRightAnswerGreenThenCloseForgetsIt) {
    Frame(256, 300, false);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(AnswerText(i).red, 0) << i;
        EXPECT_EQ(AnswerText(i).green, 0) << i;
    }

    Frame(138, 52, true);  // answer 2, a wrong one
    EXPECT_EQ(quiz_panel.user_answer, 2);
    EXPECT_GT(AnswerText(2).red, 20);
    EXPECT_GT(AnswerText(1).green, 20);
    EXPECT_EQ(AnswerText(0).red + AnswerText(0).green, 0);
    EXPECT_EQ(AnswerText(3).red + AnswerText(3).green, 0);
    EXPECT_EQ(AnswerText(1).red, 0);

    Frame(374, 110, true);  // a second pick changes nothing
    EXPECT_EQ(quiz_panel.user_answer, 2);
    EXPECT_GT(AnswerText(2).red, 20);

    Frame(485, 486, true);  // close
    EXPECT_EQ(menu_case_id, -1);
    EXPECT_EQ(quiz_panel.user_answer, -1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(AnswerText(i).red + AnswerText(i).green, 0) << i;
}

TEST_F(QuizDraw, RightPickShowsOnlyGreenAndClosesSilentlyWithSoundOff) {
    Frame(374, 110, true);  // answer 1, the right one
    EXPECT_EQ(quiz_panel.user_answer, 1);
    EXPECT_GT(AnswerText(1).green, 20);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(AnswerText(i).red, 0) << i;

    Frame(485, 486, true);
    EXPECT_EQ(menu_case_id, -1);
    EXPECT_FALSE(spawn_laugh) << "a right answer never makes the owl laugh";
}

TEST_F(QuizDraw, PanelWithoutAValidQuestionDrawsButtonsOnly) {
    question_id = 5;  // outside the one-question bank
    Frame(374, 110, true);
    EXPECT_EQ(quiz_panel.user_answer, -1) << "no answer is taken without a question";
    for (int i = 0; i < 4; ++i) EXPECT_EQ(AnswerText(i).red + AnswerText(i).green, 0) << i;
    Frame(485, 486, true);
    EXPECT_EQ(menu_case_id, -1) << "the panel can still be closed";
}

}  // namespace
