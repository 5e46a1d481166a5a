// Opens a web address with the user's default handler.
#pragma once

// Starts `xdg-open url` without a shell and without waiting; the child is reaped
// in the background. A failure is silent to the user.
void OpenUrl(const char* url);
