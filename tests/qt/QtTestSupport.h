// What the Qt tests share: the one application of the test program (made in QtTestSupport.cpp,
// on the offscreen platform) and helpers to act while an event loop runs.
#pragma once

#include <functional>

namespace qv {

class Dialog;
class QtHost;

// Runs `step` every few milliseconds while event loops run, until it reports done, so that
// menus and modal dialogs can be answered.
void WhenModal(std::function<bool()> step);

// Runs `dialog` modally; one still running after five seconds is ended with -99, so that a fault
// never hangs the test.
int RunModalAtMostFiveSeconds(QtHost& host, Dialog& dialog);

}  // namespace qv
