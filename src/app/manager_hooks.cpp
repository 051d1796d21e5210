#include "app/manager_hooks.h"

#include "app/app_options.h"
#include "ui/main_wnd.h"

namespace tolva::app {

// Empty until EqualizerManager is wired in: options.device then picks the transport.
void ConnectEqualizerManager(CMainWnd&, const AppOptions&) {}

void DisconnectEqualizerManager() {}

}  // namespace tolva::app
