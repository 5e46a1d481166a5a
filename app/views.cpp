// Flags shared between the scene, the icon menu, the reminders and the quiz.
#include "app/views.h"

bool spawn_question = false;
bool new_notify = false;
int n_notify = 0;
bool spawn_laugh = false;
