#pragma once

namespace tolva::app {

// The whole life of the program: start-up, the event loop and the shutdown order. Returns the
// process's exit code (0, or 2 for a bad command line).
int RunApplication(int argc, char** argv);

}  // namespace tolva::app
