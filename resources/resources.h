#pragma once

// Makes the program's embedded resources (its icon) available. They live in a
// static library, whose resource initialiser the linker would otherwise drop.
void load_program_resources();
