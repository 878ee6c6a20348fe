#pragma once

// The console's Status and IP Config pages and their changes, as rows of the
// command table (consoleCommands() in command.h): each with the window's
// checks, request and words. Exit 0 with "OK" when done, 1 on a refusal (a
// check, or the unit's failure page), 2 for refused credentials, 3 when the
// unit cannot be reached.
