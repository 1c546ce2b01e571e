#pragma once
// Shared by the test programs.

#include <QString>

// Turns the toolkit's warnings about slots it could not connect by name into a
// hard failure. QtTest installs its own handler when the run starts, so call
// this from initTestCase(); the handler forwards everything else to QtTest's.
void install_strict_message_handler();
