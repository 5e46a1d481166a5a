// The quiz: the built-in question bank, the panel's click rules and judgement, and the
// panel's drawing over its backdrop GUI[3].
#include "app/quiz/quiz.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

#include "app/shared/tick_state.h"
#include "app/panel_header.h"
#include "app/views.h"
#include "audio/audio_engine.h"
#include "engine/input.h"
#include "engine/text.h"
#include "engine/textures.h"
#include "engine/widgets.h"

std::vector<Question> questions;
int question_id = 0;
QuizPanel quiz_panel;

namespace {

// One row of the bank as written in app/questions/bank.inc.
struct QuestionEntry {
    const char* text;
    const char* answ[4];
    int solve;
};

constexpr QuestionEntry kBank[] = {
#include "app/questions/bank.inc"
};

constexpr std::size_t kTextLimit = 120;   // characters: three lines of the text box
constexpr std::size_t kAnswerLimit = 24;  // characters: fits an answer button at size 8

constexpr std::size_t Length(const char* s) {
    std::size_t n = 0;
    while (s[n] != '\0') ++n;
    return n;
}

constexpr bool PrintableAscii(const char* s) {
    for (std::size_t i = 0; s[i] != '\0'; ++i)
        if (s[i] < 32 || s[i] > 126) return false;
    return true;
}

constexpr bool BankFitsItsFields() {
    for (const QuestionEntry& e : kBank) {
        if (Length(e.text) > kTextLimit || !PrintableAscii(e.text)) return false;
        for (const char* a : e.answ)
            if (Length(a) == 0 || Length(a) > kAnswerLimit || !PrintableAscii(a)) return false;
        if (e.solve < 0 || e.solve > 3) return false;
    }
    return true;
}

static_assert(sizeof(kBank) / sizeof(kBank[0]) == 108, "the bank holds 108 questions");
static_assert(BankFitsItsFields(), "every question and answer fits its field in printable ASCII");

// Copies `src` into a zeroed field of `size` bytes, keeping the terminator.
void CopyField(char* dst, std::size_t size, const char* src) {
    if (src == nullptr) return;
    std::size_t n = std::strlen(src);
    if (n > size - 1) n = size - 1;
    std::memcpy(dst, src, n);
}

// Panel layout in GUI units: centres and half extents.
constexpr float kAnswerX[4] = {138.0f, 374.0f, 138.0f, 374.0f};
constexpr float kAnswerY[4] = {110.0f, 110.0f, 52.0f, 52.0f};
constexpr float kAnswerHalfW = 105.0f, kAnswerHalfH = 20.0f;
constexpr float kAnswerTextDrop = 9.0f;  // the answer's baseline sits 9 units below the button centre

Button CloseButton() { return PanelCorner(button_close); }
Button AnswerButton(int i, int user_answer) {
    return Button(i == user_answer ? button[1] : button[0], kAnswerX[i], kAnswerY[i], kAnswerHalfW, kAnswerHalfH);
}

int DrawRand() { return std::rand(); }

void PlayQuizReaction(const QuizReaction& r) {
    if (r.laugh) spawn_laugh = true;
    if (r.sound != nullptr) AudioEngine.spawn_static(0, r.sound, false);
}

}  // namespace

Question::Question() { Reset(); }

Question::Question(const char* txt, const char* a1, const char* a2, const char* a3, const char* a4, int sol) {
    Reset();
    CopyField(text, sizeof(text), txt);
    const char* a[4] = {a1, a2, a3, a4};
    for (int i = 0; i < 4; ++i) CopyField(answ[i], sizeof(answ[i]), a[i]);
    solve = sol;
}

void Question::Reset() {
    std::memset(text, 0, sizeof(text));
    std::memset(answ, 0, sizeof(answ));
    solve = 0;
}

void GenQuestions() {
    for (const QuestionEntry& e : kBank)
        questions.emplace_back(e.text, e.answ[0], e.answ[1], e.answ[2], e.answ[3], e.solve);
}

int PickQuestion(unsigned r, std::size_t n) {
    if (n == 0) return 0;
    return static_cast<int>(r % n);
}

int PickQuestion() { return PickQuestion(static_cast<unsigned>(std::rand()), questions.size()); }

QuizReaction JudgeAnswer(int user_answer, int solve, bool sfx, int (*draw)()) {
    static const char* const kWrongSounds[3] = {"Data/wrong_1.wav", "Data/wrong_2.wav", "Data/wrong_3.wav"};
    QuizReaction r;
    if (user_answer == solve) {
        if (sfx) r.sound = "Data/right.wav";
        return r;
    }
    int roll = static_cast<int>(static_cast<unsigned>(draw()) % 4u);
    if (roll == 0)
        r.laugh = true;
    else if (sfx)
        r.sound = kWrongSounds[roll - 1];
    return r;
}

QuizClicks ReadQuizClicks() {
    QuizClicks c;
    c.close = CloseButton().isClicked();
    for (int i = 0; i < 4 && c.answer < 0; ++i)
        if (AnswerButton(i, -1).isClicked()) c.answer = i;
    return c;
}

QuizStep UpdateQuizPanel(QuizPanel& panel, const QuizClicks& clicks, int solve, bool sfx, int (*draw)()) {
    QuizStep step;
    if (clicks.close) {
        step.close = true;
        if (panel.user_answer != -1) step.reaction = JudgeAnswer(panel.user_answer, solve, sfx, draw);
        panel.user_answer = -1;
        return step;
    }
    if (clicks.answer >= 0 && clicks.answer < 4 && panel.user_answer == -1) panel.user_answer = clicks.answer;
    return step;
}

AnswerColour AnswerColourOf(int i, int user_answer, int solve) {
    if (user_answer == -1) return AnswerColour::White;
    if (i == solve) return AnswerColour::Green;
    if (i == user_answer) return AnswerColour::Red;
    return AnswerColour::White;
}

// The panel, drawn after the frame has laid its backdrop. The clicks of this frame are
// applied before drawing, so a pick shows its tick and colours in the same frame.
void DrawQuiz() {
    bool have_question = question_id >= 0 && static_cast<std::size_t>(question_id) < questions.size();
    int solve = have_question ? questions[question_id].solve : -1;

    QuizClicks clicks = ReadQuizClicks();
    if (!have_question) clicks.answer = -1;  // nothing to answer: only the close button works
    QuizStep step = UpdateQuizPanel(quiz_panel, clicks, solve, enable_sfx, DrawRand);
    if (step.close) {
        menu_case_id = kMenuScene;
        PlayQuizReaction(step.reaction);
    }

    glColor4f(1, 1, 1, 1);
    for (int i = 0; i < 3; ++i) PanelTab(i, button[0]).Display(false);
    CloseButton().Display(true);
    for (int i = 0; i < 4; ++i) {
        glColor4f(1, 1, 1, 1);
        AnswerButton(i, quiz_panel.user_answer).Display(quiz_panel.user_answer == -1);
    }
    glColor4f(1, 1, 1, 1);
    if (!have_question) return;

    const Question& q = questions[question_id];
    glPrintTextBox(28, 420, 10, 43, "%s", q.text);
    for (int i = 0; i < 4; ++i) {
        switch (AnswerColourOf(i, quiz_panel.user_answer, q.solve)) {
            case AnswerColour::Green: glColor4f(0, 1, 0, 1); break;
            case AnswerColour::Red: glColor4f(1, 0, 0, 1); break;
            case AnswerColour::White: glColor4f(1, 1, 1, 1); break;
        }
        glPrintText(kAnswerX[i], kAnswerY[i] - kAnswerTextDrop, 8, true, "%s", q.answ[i]);
        glColor4f(1, 1, 1, 1);
    }
}
