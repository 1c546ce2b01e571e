#pragma once
// Shared by the test programs.

#include <QString>

// Turns the toolkit's warnings about slots it could not connect by name into a
// hard failure. QtTest installs its own handler when the run starts, so call
// this from initTestCase(); the handler forwards everything else to QtTest's.
void install_strict_message_handler();

// Switches the C library's `category` to a locale that writes numbers with a
// decimal comma (German: "de_DE.UTF-8" on Linux, as the test set-up generates
// it; the Windows C runtime knows it by other names). Returns the name taken,
// or nullptr when the system has none.
const char *set_decimal_comma_c_locale(int category);
