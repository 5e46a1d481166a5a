// What every feature reads of the current tick: which view is shown, the seconds the
// tick advances timers by, and its wall clock. The frame loop sets them; the scene, the
// calendar and the quiz read them. Nothing here depends on any of them.
#pragma once

#include <ctime>

// Which view the frame draws: -1 the scene, 0 event list, 1 editor, 2 editor in view
// mode, 3 quiz.
extern int menu_case_id;
constexpr int kMenuScene = -1, kMenuList = 0, kMenuEdit = 1, kMenuView = 2, kMenuQuiz = 3;
// Seconds since the previous tick; every timer that decides advances by it.
extern float global_time;
// Seconds of the shown view since the previous drawn frame; what only moves in the
// picture (the particles) advances by it when the frame is drawn.
extern float draw_time;
// The wall clock read at the last tick (the scene, its reminders and the panels use it).
extern std::tm* timeinfo;
