// The quiz: the question record and the built-in bank, the quiz panel (menu_case_id 3)
// with its click rules, and the owl's reaction when the panel closes on an answer.
#pragma once

#include <cstddef>
#include <vector>

// One question: zero-terminated text and four answers in display order, and the
// index in `answ` of the right one.
struct Question {
    char text[512];
    char answ[4][128];
    int solve;

    Question();
    // Copies the texts, cutting any that would not fit its field with the terminator.
    Question(const char* txt, const char* a1, const char* a2, const char* a3, const char* a4, int sol);
    // All bytes of every field to 0, solve to 0.
    void Reset();
};

// The bank, filled once by GenQuestions, and the question the panel shows.
extern std::vector<Question> questions;
extern int question_id;

// Appends the 108 built-in questions to `questions`, in their fixed order.
void GenQuestions();

// Index of the question to open, drawn from a rand() value `r` for a bank of `n`
// questions (r mod n, unsigned); 0 for an empty bank.
int PickQuestion(unsigned r, std::size_t n);
// rand() mod the number of questions in `questions`: what the offer button stores in
// question_id when it opens the panel.
int PickQuestion();

// State of the open panel: the answer picked, -1 while none. It survives between
// frames and goes back to -1 when the panel closes.
struct QuizPanel {
    int user_answer = -1;
};
extern QuizPanel quiz_panel;

// What the owl does when the panel closes: laugh (the scene consumes spawn_laugh) and/or
// play `sound` in audio slot 0. Nothing when both are unset.
struct QuizReaction {
    bool laugh = false;
    const char* sound = nullptr;
};

// The judgement of a picked answer. Right: the right-answer sound. Wrong: draw() (a
// rand() value) mod 4 picks the laugh (0) or one of the three wrong sounds (1..3);
// draw is called only for a wrong answer. Sounds are left out when `sfx` is off; the
// laugh is not (its own sound follows the switch in the scene).
QuizReaction JudgeAnswer(int user_answer, int solve, bool sfx, int (*draw)());

// The panel's buttons hit by this frame's click: the close button, or an answer (-1
// for none). The tab buttons at the top react to nothing.
struct QuizClicks {
    bool close = false;
    int answer = -1;
};
// Hit-tests the panel's buttons against this frame's input (engine/input.h).
QuizClicks ReadQuizClicks();

// One frame's clicks applied to the panel. An answer is taken only while none is
// picked, so the first pick sticks. Close ends the panel and, when an answer was
// picked, judges it and forgets it; closing with no pick judges nothing.
struct QuizStep {
    bool close = false;
    QuizReaction reaction;
};
QuizStep UpdateQuizPanel(QuizPanel& panel, const QuizClicks& clicks, int solve, bool sfx, int (*draw)());

// Colour of answer i: white while nothing is picked; once picked, the right answer
// green and a wrong pick red, the others white.
enum class AnswerColour { White, Green, Red };
AnswerColour AnswerColourOf(int i, int user_answer, int solve);
