#pragma once

// Makes the program's embedded resources (its icon) available. They live in a
// static library, whose resource initialiser the linker would otherwise drop.
void load_program_resources();

// Installs the toolkit's own Chinese translation, so that the folder dialog
// and every other text of the toolkit read Chinese whatever the desktop's
// language. Needs the application object. False when no translation was found.
bool install_toolkit_translation();
