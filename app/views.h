// The views the frame draws, chosen by menu_case_id, and the flags they share.
#pragma once

// -1: the owl scene (backdrop, tree, owl, icon menu, clock, notifications, effects).
void Render();
// 0: the event list panel, drawn over its backdrop GUI[0].
void DrawEventList();
// 1 and 2: the event editor, in edit mode or in view mode (a due event), over GUI[1].
// The mode is read from menu_case_id at each step of the panel, since a confirm
// changes it in the middle of the frame; the argument names the mode it was opened in.
void DrawEventEditor(bool view_mode);
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
