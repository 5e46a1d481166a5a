// Stand-in for the reminder step of the scene until the reminders are built: it does
// nothing. Delete this file in the commit that defines ReminderStep.
#include "app/scene.h"

void ReminderStep() {}
