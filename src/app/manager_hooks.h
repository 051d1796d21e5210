#pragma once

class CMainWnd;

namespace tolva::app {

struct AppOptions;

// Where EqualizerManager joins start-up and shutdown. Connect runs once the window is placed
// and this copy is the only one (initialise the manager with the window, connect without a
// failure message, start watching plug events); Disconnect runs from the window's close hook.
void ConnectEqualizerManager(CMainWnd& window, const AppOptions& options);
void DisconnectEqualizerManager();

}  // namespace tolva::app
