#pragma once

namespace tolva::ui {

// Puts the two curve controls behind the layout tags "Curve" and "CurveAc", their edits raised
// as notifications of the control layer. Safe to call more than once.
void RegisterCurveControls();

}  // namespace tolva::ui
