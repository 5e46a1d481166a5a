// The views the frame draws, chosen by menu_case_id, and the flags they share.
#pragma once

// -1: the owl scene (backdrop, tree, owl, icon menu, clock, notifications, effects).
void Render();
// 0: the event list panel, drawn over its backdrop GUI[0].
void DrawEventList();
// 1 and 2: the event editor over GUI[1], in edit mode (menu_case_id 1) or in view mode
// (2, a due event). It reads the mode from menu_case_id at each of its steps, since a
// confirm changes it in the middle of the frame.
void DrawEventEditor();
// 3: the quiz panel, over GUI[3].
void DrawQuiz();

// A quiz question is on offer (raised by the offer timer and the interact icon,
// lowered by its time-out and whenever a panel is shown).
extern bool spawn_question;
// At least one event is due, and how many, as the last reminder scan found them.
extern bool new_notify;
extern int n_notify;
// The quiz asks the owl to laugh; the scene consumes it.
extern bool spawn_laugh;
